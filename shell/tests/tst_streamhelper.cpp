#include "shell/Errors.h"
#include "shell/StreamHelper.h"

#include <QBuffer>
#include <QTest>
#include <cmath>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Writer = std::function<void(TMyStreamHelper &)>;
Q_DECLARE_METATYPE(Writer)

namespace {

QByteArray encode(const Writer &write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TMyStreamHelper stream(buffer);
    write(stream);
    return buffer.data();
}

} // namespace

class TestStreamHelper : public QObject
{
    Q_OBJECT

private slots:
    // A string that declares 2^31 - 1 units in a 12-byte file is refused before anything is
    // allocated: in a child limited to 1 GB of address space, an attempt at the 4 GB buffer
    // fails with an allocation error instead of the stream error.
    void hugeDeclaredLengthAllocatesNothing()
    {
#ifdef NESVARA_SANITIZED
        QSKIP("AddressSanitizer reserves terabytes of address space; the plain build runs this");
#endif
        const pid_t child = ::fork();
        if (child == 0) {
            rlimit limit{};
            ::getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = rlim_t(1) << 30; // the test process itself needs well under 1 GB
            ::setrlimit(RLIMIT_AS, &limit);
            QByteArray bytes("\xFF\xFF\xFF\x7F" "abcdefgh", 12);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            try {
                TMyStreamHelper(buffer).hfReadString();
            } catch (const StreamError &) {
                ::_exit(0);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(3);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status), "the child died: the length was not checked before allocating");
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void encodesExactBytes_data()
    {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty string") << Writer([](auto &s) { s.hfWriteString(QString()); })
                                      << QByteArray::fromHex("00000000");
        QTest::newRow("empty list") << Writer([](auto &s) { s.hfWriteStrings({}); })
                                    << QByteArray::fromHex("00000000");
        QTest::newRow("abc") << Writer([](auto &s) { s.hfWriteString(QStringLiteral("abc")); })
                             << QByteArray::fromHex("03000000610062006300");
        QTest::newRow("cyrillic Ya") << Writer([](auto &s) { s.hfWriteString(QStringLiteral("Я")); })
                                     << QByteArray::fromHex("010000002f04");
        QTest::newRow("list of a and empty")
            << Writer([](auto &s) { s.hfWriteStrings({QStringLiteral("a"), QString()}); })
            << QByteArray::fromHex("0200000001000000610000000000");
        QTest::newRow("integer -2") << Writer([](auto &s) { s.hfWriteInteger(-2); })
                                    << QByteArray::fromHex("feffffff");
        QTest::newRow("true") << Writer([](auto &s) { s.hfWriteBoolean(true); })
                              << QByteArray::fromHex("01");
        QTest::newRow("false") << Writer([](auto &s) { s.hfWriteBoolean(false); })
                               << QByteArray::fromHex("00");
        QTest::newRow("double 1.0") << Writer([](auto &s) { s.hfWriteDouble(1.0); })
                                    << QByteArray::fromHex("000000000000f03f");
        QTest::newRow("surrogate pair counts two units")
            << Writer([](auto &s) { s.hfWriteString(QString::fromUtf8("\xF0\x9F\x99\x82")); })
            << QByteArray::fromHex("020000003dd842de");
    }

    void encodesExactBytes()
    {
        QFETCH(Writer, write);
        QFETCH(QByteArray, expected);
        QCOMPARE(encode(write).toHex(), expected.toHex());
    }

    void roundTripsEveryFieldExactly()
    {
        const double tricky = 0.1 + 0.2;
        const QStringList list{QStringLiteral("Ливень"), QString(), QStringLiteral("/a/b.mp3")};
        const QByteArray bytes = encode([&](TMyStreamHelper &s) {
            s.hfWriteInteger(std::numeric_limits<qint32>::min());
            s.hfWriteBoolean(true);
            s.hfWriteDouble(tricky);
            s.hfWriteDouble(-0.0);
            s.hfWriteString(QStringLiteral("Медитация"));
            s.hfWriteStrings(list);
            s.hfWriteInteger(std::numeric_limits<qint32>::max());
        });

        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TMyStreamHelper stream(buffer);
        QCOMPARE(stream.hfReadInteger(), std::numeric_limits<qint32>::min());
        QCOMPARE(stream.hfReadBoolean(), true);
        const double readTricky = stream.hfReadDouble();
        QCOMPARE(std::bit_cast<quint64>(readTricky), std::bit_cast<quint64>(tricky));
        QVERIFY(std::signbit(stream.hfReadDouble()));
        QCOMPARE(stream.hfReadString(), QStringLiteral("Медитация"));
        QStringList readList;
        stream.hfReadStrings(readList);
        QCOMPARE(readList, list);
        QCOMPARE(stream.hfReadInteger(), std::numeric_limits<qint32>::max());
        QVERIFY(buffer.atEnd());
    }

    void negativeLengthsReadAsEmpty()
    {
        QBuffer buffer;
        buffer.setData(QByteArray::fromHex("ffffffff" "feffffff" "2a000000"));
        buffer.open(QIODevice::ReadOnly);
        TMyStreamHelper stream(buffer);
        QCOMPARE(stream.hfReadString(), QString());
        QCOMPARE(buffer.pos(), 4);
        QStringList list{QStringLiteral("old")};
        stream.hfReadStrings(list);
        QVERIFY(list.isEmpty());
        QCOMPARE(stream.hfReadInteger(), 42);
    }

    void readStringsReplacesOldContent()
    {
        QBuffer buffer;
        buffer.setData(QByteArray::fromHex("010000000100000061 00"));
        buffer.open(QIODevice::ReadOnly);
        QStringList list{QStringLiteral("x"), QStringLiteral("y")};
        TMyStreamHelper(buffer).hfReadStrings(list);
        QCOMPARE(list, QStringList{QStringLiteral("a")});
    }

    void readingPastTheEndThrows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("field");  // 0 integer, 1 boolean, 2 double, 3 string, 4 list

        QTest::newRow("integer of 3 bytes") << QByteArray::fromHex("010203") << 0;
        QTest::newRow("no boolean") << QByteArray() << 1;
        QTest::newRow("double of 7 bytes") << QByteArray::fromHex("00000000000000") << 2;
        QTest::newRow("string shorter than its length") << QByteArray::fromHex("0300000061006200") << 3;
        QTest::newRow("string length beyond any file") << QByteArray::fromHex("ffffff7f") << 3;
        QTest::newRow("list count beyond the data") << QByteArray::fromHex("0500000000000000") << 4;
        QTest::newRow("list count of two billion") << QByteArray::fromHex("ffffff7f") << 4;
    }

    void readingPastTheEndThrows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, field);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TMyStreamHelper stream(buffer);
        QStringList list;
        const auto read = [&] {
            switch (field) {
            case 0: stream.hfReadInteger(); break;
            case 1: stream.hfReadBoolean(); break;
            case 2: stream.hfReadDouble(); break;
            case 3: stream.hfReadString(); break;
            default: stream.hfReadStrings(list); break;
            }
        };
        QVERIFY_THROWS_EXCEPTION(StreamError, read());
    }

    void writeThatTheDeviceRefusesThrows()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadOnly);
        TMyStreamHelper stream(buffer);
        QVERIFY_THROWS_EXCEPTION(StreamError, stream.hfWriteInteger(1));
    }
};

QTEST_GUILESS_MAIN(TestStreamHelper)
#include "tst_streamhelper.moc"
