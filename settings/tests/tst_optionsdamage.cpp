// The options file damaged in every way a disk or an editor can: cut short, grown, bytes
// changed. A file loads whole, exactly as its bytes say, or is refused with the options
// left as they were.
#include "settings/OptionsData.h"
#include "settings/OptionsLoader.h"
#include "shell/AtomicSave.h"
#include "shell/tests/FullDisk.h"
#include "settings/tests/OptionsTestTools.h"
#include "shell/Errors.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <bit>
#include <cstring>

namespace {

TOptionsData validOptions()
{
    TOptionsData o;
    o.FMedInstructor = 1;
    o.FMedTechnique = TMedTech::mtIncreasingBreathCount;
    o.FMedLenMin = 45;
    o.FRemIntTech1Sec = 20;
    o.FRemIntTech3MSec = 1500;
    o.FRemIntTech6MSec = 700;
    o.FConcIntSec = 60;
    o.FPlayNidra = true;
    o.FNidraFileNum = 2;
    o.FPlayMusic = true;
    o.FMusicPosition = 1;
    o.FMusicFileNum = 3;
    o.FMusicSubFileNum = -1;
    o.FPlaySound = true;
    o.FBackSoundFileNum = 4;
    o.FVolume = 0.8;
    o.FDoNotPlayIntro = false;
    o.FSwitchOffComputerAfterMeditation = true;
    return o;
}

// The options the loader must not touch when it refuses a file.
TOptionsData previousOptions()
{
    TOptionsData o;
    o.FMedLenMin = 12;
    o.FVolume = 0.25;
    o.FPlayMusic = true;
    return o;
}

// Compared as bytes, so that a NaN volume equals itself.
bool same(const TOptionsData &a, const TOptionsData &b)
{
    return bytesOf(a) == bytesOf(b);
}

// The 61 bytes read by hand, field by field at their offsets, independent of the loader.
TOptionsData decodeByHand(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const auto i32 = [p](int offset) { return qFromLittleEndian<qint32>(p + offset); };
    const auto flag = [p](int offset) { return p[offset] != 0; };
    TOptionsData o;
    o.FMedInstructor = TMedInstructor(i32(0));
    o.FMedTechnique = TMedTech(quint8(p[4]));
    o.FMedLenMin = i32(8);
    o.FRemIntTech1Sec = i32(12);
    o.FRemIntTech3MSec = i32(16);
    o.FRemIntTech6MSec = i32(20);
    o.FConcIntSec = i32(24);
    o.FPlayNidra = flag(28);
    o.FNidraFileNum = i32(29);
    o.FPlayMusic = flag(33);
    o.FMusicPosition = i32(34);
    o.FMusicFileNum = i32(38);
    o.FMusicSubFileNum = i32(42);
    o.FPlaySound = flag(46);
    o.FBackSoundFileNum = i32(47);
    o.FVolume = std::bit_cast<double>(qFromLittleEndian<quint64>(p + 51));
    o.FDoNotPlayIntro = flag(59);
    o.FSwitchOffComputerAfterMeditation = flag(60);
    return o;
}

} // namespace

class TestOptionsDamage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString path() const { return m_tmp.filePath(QStringLiteral("options.bin")); }

private slots:
    void wrongSizeIsRefusedAndNamesTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray valid = bytesOf(validOptions());
        for (int size = 0; size < TOptionsData::kFileSize; ++size)
            QTest::addRow("cut to %d bytes", size) << valid.left(size);
        QTest::newRow("62 bytes") << valid + char(1);
        QTest::newRow("two files in one") << valid + valid;
        QTest::newRow("a megabyte") << valid + QByteArray(1 << 20, '\xff');
    }

    void wrongSizeIsRefusedAndNamesTheFile()
    {
        QFETCH(QByteArray, bytes);
        writeFile(path(), bytes);
        TOptionsData options = previousOptions();
        try {
            options.LoadFromFile(path());
            QFAIL("a file of the wrong size was loaded");
        } catch (const StreamError &error) {
            QVERIFY2(error.text().contains(path()), qPrintable(error.text()));
            QVERIFY2(error.text().contains(QString::number(bytes.size())), qPrintable(error.text()));
        }
        QVERIFY(same(options, previousOptions()));
    }

    // Read from a device rather than a file there is no size check first: every field must
    // still be there before anything changes.
    void truncatedDeviceLeavesTheOptionsAsTheyWere()
    {
        const QByteArray valid = bytesOf(validOptions());
        for (int size = 0; size < TOptionsData::kFileSize; ++size) {
            QBuffer buffer;
            buffer.setData(valid.left(size));
            buffer.open(QIODevice::ReadOnly);
            TOptionsData options = previousOptions();
            QVERIFY_THROWS_EXCEPTION(StreamError, options.ReadFrom(buffer));
            QVERIFY2(same(options, previousOptions()), qPrintable(QString::number(size)));
        }
    }

    void changedBytesLoadAsWrittenOrAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray valid = bytesOf(validOptions());
        QRandomGenerator random(61);
        for (int variant = 0; variant < 300; ++variant) {
            QByteArray bytes = valid;
            const int changes = 1 + int(random.bounded(4));
            for (int i = 0; i < changes; ++i) {
                const int at = int(random.bounded(TOptionsData::kFileSize));
                if (random.bounded(2))
                    bytes[at] = char(bytes[at] ^ char(1 << random.bounded(8)));
                else
                    bytes[at] = char(random.bounded(256));
            }
            QTest::addRow("variant %d", variant) << bytes;
        }
        // The extremes of every kind of field.
        QByteArray extremes = valid;
        for (int offset : {8, 12, 16, 20, 24, 29, 34, 38, 42, 47})
            extremes.replace(offset, 4, QByteArray::fromHex("ffffff7f"));
        for (int offset : {28, 33, 46, 59, 60})
            extremes[offset] = char(0xFF);
        extremes.replace(51, 8, QByteArray::fromHex("000000000000f8ff")); // NaN
        extremes.replace(4, 4, QByteArray::fromHex("ffffffff"));          // technique 255
        QTest::newRow("extremes") << extremes;
        QByteArray minimums = valid;
        for (int offset : {8, 12, 16, 20, 24, 29, 34, 38, 42, 47})
            minimums.replace(offset, 4, QByteArray::fromHex("00000080"));
        minimums.replace(51, 8, QByteArray::fromHex("000000000000f0ff")); // -infinity
        QTest::newRow("minimums") << minimums;
        for (const char *instructor : {"02000000", "ffffffff", "00000001", "00010000", "01000080"}) {
            QByteArray bytes = valid;
            bytes.replace(0, 4, QByteArray::fromHex(instructor));
            QTest::addRow("instructor %s", instructor) << bytes;
        }
    }

    // The instructor is the one field the loader checks: with 0 or 1 there, every other
    // value loads exactly as its bytes say; anything else refuses the whole file.
    void changedBytesLoadAsWrittenOrAreRefused()
    {
        QFETCH(QByteArray, bytes);
        writeFile(path(), bytes);
        const qint32 instructor = qFromLittleEndian<qint32>(bytes.constData());
        TOptionsData options = previousOptions();
        if (instructor == 0 || instructor == 1) {
            options.LoadFromFile(path());
            QCOMPARE(bytesOf(options).toHex(), bytesOf(decodeByHand(bytes)).toHex());
        } else {
            QVERIFY_THROWS_EXCEPTION(RangeError, options.LoadFromFile(path()));
            QVERIFY(same(options, previousOptions()));
        }
    }

    void folderInPlaceOfTheFileIsAFileError()
    {
        const QString folder = m_tmp.filePath(QStringLiteral("folder.bin"));
        QVERIFY(QDir().mkpath(folder));
        TOptionsData options = previousOptions();
        QVERIFY_THROWS_EXCEPTION(NesvaraError, options.LoadFromFile(folder));
        QVERIFY(same(options, previousOptions()));
    }

    // Start-up with a damaged file: the message names the copy only when the copy exists
    // whole; a disk that takes no more than 40 bytes of a file cannot hold the copy.
    void startUpNamesTheCopyOnlyWhenItWasMade_data()
    {
        QTest::addColumn<qint64>("fileSizeLimit");
        QTest::addColumn<bool>("copyMade");
        QTest::newRow("room for the copy") << qint64(1 << 20) << true;
        QTest::newRow("no room for the copy") << qint64(40) << false;
    }

    void startUpNamesTheCopyOnlyWhenItWasMade()
    {
        QFETCH(qint64, fileSizeLimit);
        QFETCH(bool, copyMade);
        QTemporaryDir tmp;
        const QString file = tmp.filePath(QStringLiteral("options.bin"));
        const QByteArray damaged = bytesOf(validOptions()) + QByteArray(39, '\x7f');
        writeFile(file, damaged);
        writeFile(SaveTemporaryName(file), "left by a killed save");
        const QString text = runWithFileSizeLimit(fileSizeLimit, [&] {
            TOptionsData options;
            const TOptionsLoadResult result = LoadOptionsAtStartUp(options, file);
            throw NesvaraError(result.fromFile ? QStringLiteral("loaded") : result.errorText);
        });
        QVERIFY2(text.contains(file), qPrintable(text));
        const QString backup = file + QStringLiteral(".bak");
        QCOMPARE(text.contains(backup), copyMade);
        QCOMPARE(text.contains(QStringLiteral("Не удалось сохранить копию")), !copyMade);
        QStringList expected{QStringLiteral("options.bin")};
        if (copyMade)
            expected << QStringLiteral("options.bin.bak");
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), expected);
        if (copyMade) {
            QFile copy(backup);
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), damaged);
        }
    }
};

QTEST_GUILESS_MAIN(TestOptionsDamage)
#include "tst_optionsdamage.moc"
