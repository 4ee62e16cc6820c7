// The audio layer against every kind of MP3 the user may hand it, damaged ones included:
// whatever is not MP3 is refused, every real MP3 gives a stream that ends, and no file
// makes the decoder write past the buffer it was given.
#include "player/Mp3Decoder.h"
#include "player/SdlMpg123Audio.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr std::size_t kOneSecond = 44100;
// Floats after the end of every buffer handed to the decoder; they must stay as they are.
constexpr std::size_t kGuardFloats = 8192;
constexpr float kGuardValue = 12345.0f;

QString Fixture(const QString &name)
{
    return QStringLiteral(NESVARA_DAMAGED_MP3_FIXTURES) + QLatin1Char('/') + name;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What decoding a whole file gave.
struct Decoded
{
    bool opened = false;
    long rate = 0;
    int channels = 0;
    std::size_t frames = 0;
    float peak = 0.0f;
    float channelDifference = 0.0f;
    bool overran = false;
    bool oversized = false; // a Read returned more frames than asked for
};

Decoded DecodeWhole(const QString &path, std::size_t readFrames = 4096)
{
    Decoded result;
    const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(path);
    if (!decoder)
        return result;
    result.opened = true;
    result.rate = decoder->SourceRate();
    const std::size_t channels = std::size_t(decoder->Channels());
    result.channels = int(channels);
    const std::size_t used = readFrames * channels;
    std::vector<float> buffer(used + kGuardFloats, kGuardValue);
    // Ten minutes of audio is far beyond anything these files hold: a loop that gets there
    // does not end.
    const std::size_t giveUpAt = 600 * kOneSecond;
    while (result.frames < giveUpAt) {
        const std::size_t frames = decoder->Read(buffer.data(), readFrames);
        if (frames == 0)
            break;
        result.oversized = result.oversized || frames > readFrames;
        result.frames += frames;
        for (std::size_t i = 0; i < std::min(frames, readFrames); ++i) {
            const float left = buffer[channels * i];
            const float right = buffer[channels * i + channels - 1];
            result.peak = std::max({result.peak, std::fabs(left), std::fabs(right)});
            result.channelDifference = std::max(result.channelDifference, std::fabs(left - right));
        }
        result.overran = result.overran
                         || std::any_of(buffer.begin() + qsizetype(used), buffer.end(),
                                        [](float value) { return value != kGuardValue; });
    }
    return result;
}

// An ID3v2.3 tag holding one APIC frame with `pictureBytes` of picture.
QByteArray Id3WithPicture(qsizetype pictureBytes, QRandomGenerator &random)
{
    QByteArray picture(pictureBytes, Qt::Uninitialized);
    for (char &byte : picture)
        byte = char(random.bounded(256));
    // MP3 frame headers scattered in the picture: a decoder that looks inside the tag
    // finds audio that is not there.
    for (qsizetype at = 0; at + 4 <= picture.size(); at += 4099)
        picture.replace(at, 4, QByteArray::fromHex("fffb9064"));
    QByteArray frame = QByteArray(1, '\0') + "image/png" + QByteArray(1, '\0') + char(3)
                       + QByteArray(1, '\0') + picture;
    const quint32 frameSize = quint32(frame.size());
    QByteArray frameHeader = "APIC";
    for (int shift : {24, 16, 8, 0})
        frameHeader += char((frameSize >> shift) & 0xFF);
    frameHeader += QByteArray(2, '\0');
    frame.prepend(frameHeader);
    const quint32 tagSize = quint32(frame.size());
    QByteArray header = QByteArray("ID3") + char(3) + char(0) + char(0);
    for (int shift : {21, 14, 7, 0}) // seven bits to a byte
        header += char((tagSize >> shift) & 0x7F);
    return header + frame;
}

QByteArray PngImage()
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray RandomBytes(qsizetype size, QRandomGenerator &random)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// Plays the stream on the current output and waits for it to end, up to a cap.
bool PlaysToItsEnd(SdlMpg123Audio &audio, StreamHandle stream, int capMs)
{
    QEventLoop loop;
    QTimer::singleShot(capMs, &loop, &QEventLoop::quit);
    audio.SetStreamEndedCallback([&] {
        if (!audio.ChannelIsActive(stream))
            loop.quit();
    });
    audio.ChannelPlay(stream);
    if (audio.ChannelIsActive(stream))
        loop.exec();
    audio.SetStreamEndedCallback({});
    return !audio.ChannelIsActive(stream);
}

} // namespace

class TestMp3Damage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void refusesWhatIsNotMp3_data();
    void refusesWhatIsNotMp3();

    void decodesEveryKindToItsLength_data();
    void decodesEveryKindToItsLength();

    void truncatedFileEndsEarly_data();
    void truncatedFileEndsEarly();

    void rateChangeInsideAFileStaysInTheBuffer_data();
    void rateChangeInsideAFileStaysInTheBuffer();

    void layoutChangeInsideAFileKeepsTheFirst_data();
    void layoutChangeInsideAFileKeepsTheFirst();

    void damageInsideAFileEndsOrIsRefused();

private:
    QString Temp(const QString &name) const { return m_dir.filePath(name); }
    QString Make(const QString &name, const QByteArray &bytes)
    {
        const QString path = Temp(name);
        if (!WriteAll(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_dir;
    QByteArray m_base;
    std::size_t m_baseFrames = 0;
};

void TestMp3Damage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_base = ReadAll(Fixture(QStringLiteral("base_44100_stereo.mp3")));
    QVERIFY(m_base.size() > 10000);
    m_baseFrames = DecodeWhole(Fixture(QStringLiteral("base_44100_stereo.mp3"))).frames;
    QCOMPARE(m_baseFrames, kOneSecond);
}

void TestMp3Damage::refusesWhatIsNotMp3_data()
{
    QTest::addColumn<QString>("file");
    QRandomGenerator random(20240607);
    QTest::newRow("empty") << Make(QStringLiteral("empty.mp3"), QByteArray());
    QTest::newRow("one byte of an MP3") << Make(QStringLiteral("one.mp3"), m_base.left(1));
    QTest::newRow("a frame header alone") << Make(QStringLiteral("header.mp3"), m_base.left(4));
    QTest::newRow("WAV") << Fixture(QStringLiteral("wave.mp3"));
    QTest::newRow("PNG") << Make(QStringLiteral("picture.mp3"), PngImage());
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += "Медитация: вдох, выдох.\n";
    QTest::newRow("text") << Make(QStringLiteral("text.mp3"), text);
    QTest::newRow("random bytes") << Make(QStringLiteral("random.mp3"), RandomBytes(64 * 1024, random));
    QTest::newRow("ID3 tag, no audio") << Make(QStringLiteral("tagonly.mp3"), Id3WithPicture(5000, random));
    QTest::newRow("ID3 tag longer than the file")
        << Make(QStringLiteral("tagcut.mp3"), Id3WithPicture(100000, random).left(50000));
}

void TestMp3Damage::refusesWhatIsNotMp3()
{
    QFETCH(QString, file);
    QVERIFY(!Mp3Decoder::Open(file));
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    QCOMPARE(audio.StreamCreateFile(file), StreamHandle(0));
}

void TestMp3Damage::decodesEveryKindToItsLength_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    for (const int rate : {22050, 16000, 11025, 8000}) {
        for (const char *layout : {"mono", "stereo"}) {
            const QString name = QStringLiteral("cbr_%1_%2.mp3").arg(rate).arg(QLatin1String(layout));
            QTest::newRow(qPrintable(name)) << Fixture(name) << rate << (layout[0] == 'm' ? 1 : 2);
        }
    }
    QTest::newRow("vbr_44100_stereo.mp3") << Fixture(QStringLiteral("vbr_44100_stereo.mp3")) << 44100 << 2;
    QTest::newRow("vbr_22050_mono.mp3") << Fixture(QStringLiteral("vbr_22050_mono.mp3")) << 22050 << 1;
    QTest::newRow("vbr_11025_stereo.mp3") << Fixture(QStringLiteral("vbr_11025_stereo.mp3")) << 11025 << 2;
    QRandomGenerator random(7);
    QTest::newRow("ID3 tag with a 2 MB picture")
        << Make(QStringLiteral("picture2mb.mp3"), Id3WithPicture(2 * 1024 * 1024, random) + m_base) << 44100 << 2;
}

// One second of a 440 Hz tone at half amplitude: it comes out one second long at 44.1 kHz,
// in the file's own layout (stereo coding leaves a little noise between the sides), at its
// amplitude.
void TestMp3Damage::decodesEveryKindToItsLength()
{
    QFETCH(QString, file);
    QFETCH(int, rate);
    QFETCH(int, channels);
    const Decoded decoded = DecodeWhole(file);
    QVERIFY(decoded.opened);
    QCOMPARE(decoded.rate, long(rate));
    QCOMPARE(decoded.channels, channels); // a mono file is resampled as one channel
    QCOMPARE(decoded.frames, kOneSecond);
    QVERIFY2(decoded.peak > 0.4f && decoded.peak < 0.6f, QByteArray::number(decoded.peak).constData());
    QVERIFY2(decoded.channelDifference < 0.05f, QByteArray::number(decoded.channelDifference).constData());
    QVERIFY(!decoded.overran && !decoded.oversized);

    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    QVERIFY(audio.StreamCreateFile(file) != 0);
}

void TestMp3Damage::truncatedFileEndsEarly_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("kept");
    for (const double kept : {0.1, 0.25, 0.5, 0.75}) {
        const QString name = QStringLiteral("cut%1.mp3").arg(int(kept * 100));
        QTest::newRow(qPrintable(name)) << Make(name, m_base.left(qsizetype(m_base.size() * kept))) << kept;
    }
    QTest::newRow("last byte missing") << Make(QStringLiteral("cutlast.mp3"), m_base.chopped(1)) << 1.0;
}

// A cut file plays what is left and ends: in the decoder, and on the (dummy) output.
void TestMp3Damage::truncatedFileEndsEarly()
{
    QFETCH(QString, file);
    QFETCH(double, kept);
    const Decoded decoded = DecodeWhole(file);
    QVERIFY(decoded.opened);
    QVERIFY(!decoded.overran && !decoded.oversized);
    QVERIFY2(decoded.frames < m_baseFrames, QByteArray::number(qulonglong(decoded.frames)).constData());
    // Up to two 1152-sample frames go with the cut and the encoder's delay.
    const double lowest = kept * double(kOneSecond) - 3 * 1152;
    QVERIFY2(double(decoded.frames) >= lowest, QByteArray::number(qulonglong(decoded.frames)).constData());

    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(file);
    QVERIFY(stream != 0);
    if (kept <= 0.5)
        QVERIFY(PlaysToItsEnd(audio, stream, 5000));
}

void TestMp3Damage::rateChangeInsideAFileStaysInTheBuffer_data()
{
    QTest::addColumn<int>("readFrames");
    for (const int frames : {64, 1000, 1024, 4096})
        QTest::addRow("%d frames at a time", frames) << frames;
}

// Half a second at 22 050 Hz, then half a second at 11 025 Hz. The decoder hands out the
// last frames of the old rate together with the news of the new one; resampled at the new
// rate they once came out twice as many as the buffer holds.
void TestMp3Damage::rateChangeInsideAFileStaysInTheBuffer()
{
    QFETCH(int, readFrames);
    const QString file = Temp(QStringLiteral("ratechange.mp3"));
    if (!QFile::exists(file)) {
        QVERIFY(WriteAll(file, ReadAll(Fixture(QStringLiteral("part_22050_mono.mp3")))
                                   + ReadAll(Fixture(QStringLiteral("part_11025_mono.mp3")))));
    }
    const Decoded decoded = DecodeWhole(file, std::size_t(readFrames));
    QVERIFY(decoded.opened);
    QVERIFY(!decoded.overran);
    QVERIFY(!decoded.oversized);
    QCOMPARE(decoded.rate, 22050L);
    // Whatever the pieces, the same length: a second, plus the encoder's delay and padding
    // of both halves (untagged, so not trimmed).
    QCOMPARE(decoded.frames, DecodeWhole(file, 4096).frames);
    QVERIFY2(decoded.frames >= kOneSecond && decoded.frames < kOneSecond + 12 * 1152,
             QByteArray::number(qulonglong(decoded.frames)).constData());
}

void TestMp3Damage::layoutChangeInsideAFileKeepsTheFirst_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("channels");
    QTest::newRow("stereo, then mono") << QStringLiteral("cbr_22050_stereo.mp3") << QStringLiteral("cbr_22050_mono.mp3") << 2;
    QTest::newRow("mono, then stereo") << QStringLiteral("cbr_22050_mono.mp3") << QStringLiteral("cbr_22050_stereo.mp3") << 1;
}

// Two files of one second glued together: the layout of the first holds for the whole
// file (the decoder converts the rest), so the frames handed out keep their size.
void TestMp3Damage::layoutChangeInsideAFileKeepsTheFirst()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, channels);
    const QString file = Temp(QStringLiteral("layout_%1.mp3").arg(channels));
    QVERIFY(WriteAll(file, ReadAll(Fixture(first)) + ReadAll(Fixture(second))));
    for (const std::size_t readFrames : {std::size_t(64), std::size_t(4096)}) {
        const Decoded decoded = DecodeWhole(file, readFrames);
        QVERIFY(decoded.opened);
        QCOMPARE(decoded.channels, channels);
        QVERIFY(!decoded.overran && !decoded.oversized);
        QVERIFY2(decoded.frames >= 2 * kOneSecond - 2 * 1152 && decoded.frames < 2 * kOneSecond + 12 * 1152,
                 QByteArray::number(qulonglong(decoded.frames)).constData());
        QVERIFY2(decoded.peak > 0.4f && decoded.peak < 0.6f, QByteArray::number(decoded.peak).constData());
    }
}

// Bytes flipped or overwritten inside a real MP3: the file is refused or decodes to an end
// within its buffers, never beyond the length it could hold.
void TestMp3Damage::damageInsideAFileEndsOrIsRefused()
{
    QRandomGenerator random(1234);
    const QString file = Temp(QStringLiteral("flipped.mp3"));
    int opened = 0;
    for (int variant = 0; variant < 200; ++variant) {
        QByteArray bytes = m_base;
        const int flips = 1 + int(random.bounded(40));
        for (int i = 0; i < flips; ++i)
            bytes[qsizetype(random.bounded(quint32(bytes.size())))] = char(random.bounded(256));
        if (variant % 4 == 0) { // a whole stretch of noise
            const qsizetype at = qsizetype(random.bounded(quint32(bytes.size() - 2000)));
            bytes.replace(at, 2000, RandomBytes(2000, random));
        }
        QVERIFY(WriteAll(file, bytes));
        const std::size_t readFrames = variant % 2 ? 64 : 4096;
        const Decoded decoded = DecodeWhole(file, readFrames);
        QVERIFY2(!decoded.overran && !decoded.oversized, qPrintable(QString::number(variant)));
        // A damaged header may claim the lowest rate, 8 kHz: each frame then stretches to
        // 5.5 times its length, and no further.
        QVERIFY2(decoded.frames <= 6 * kOneSecond, qPrintable(QString::number(variant)));
        opened += decoded.opened;
    }
    QVERIFY(opened > 100); // most damage hits audio, not the headers
}

QTEST_GUILESS_MAIN(TestMp3Damage)
#include "tst_mp3damage.moc"
