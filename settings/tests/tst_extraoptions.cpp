// The file of the choices added after the options file: its bytes, its damage, and how
// start-up treats a damaged one.

#include "settings/ExtraOptions.h"
#include "settings/SettingsFileLoader.h"
#include "shell/Errors.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}

} // namespace

class TestExtraOptions : public QObject
{
    Q_OBJECT

private slots:
    void savedBytesAndRoundTrip_data();
    void savedBytesAndRoundTrip();
    void aLaterVersionKeepsTheFieldsThisOneKnows();
    void damagedFileChangesNothing_data();
    void damagedFileChangesNothing();
    void startUpKeepsADamagedFileAsBakAndReportsIt();
    void startUpIsSilentWithoutAFileOrWithAGoodOne();
    void aSaveThatCannotReplaceThePathThrows();
};

void TestExtraOptions::savedBytesAndRoundTrip_data()
{
    QTest::addColumn<bool>("notify");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("notify") << true << bytes({1, 0, 0, 0, 1});
    QTest::newRow("do not notify") << false << bytes({1, 0, 0, 0, 0});
}

void TestExtraOptions::savedBytesAndRoundTrip()
{
    QFETCH(bool, notify);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extraoptions.bin"));
    TExtraOptions saved;
    saved.FNotifyWhenDone = notify;
    saved.SaveToFile(path);
    QCOMPARE(fileBytes(path), expected);

    TExtraOptions loaded;
    loaded.FNotifyWhenDone = !notify;
    loaded.LoadFromFile(path);
    QCOMPARE(loaded, saved);
}

void TestExtraOptions::aLaterVersionKeepsTheFieldsThisOneKnows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extraoptions.bin"));
    QVERIFY(writeBytes(path, bytes({2, 0, 0, 0, 0, 7, 7, 7})));
    TExtraOptions loaded;
    loaded.LoadFromFile(path);
    QCOMPARE(loaded.FNotifyWhenDone, false);
}

void TestExtraOptions::damagedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("version only") << bytes({1, 0, 0, 0});
    QTest::newRow("one byte too many") << bytes({1, 0, 0, 0, 0, 0});
    QTest::newRow("version 0") << bytes({0, 0, 0, 0, 0});
    QTest::newRow("negative version") << bytes({0xFF, 0xFF, 0xFF, 0xFF, 0});
    QTest::newRow("an options file by mistake") << QByteArray(61, '\0');
}

void TestExtraOptions::damagedFileChangesNothing()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extraoptions.bin"));
    QVERIFY(writeBytes(path, content));
    TExtraOptions options;
    options.FNotifyWhenDone = true;
    QVERIFY_THROWS_EXCEPTION(NesvaraError, options.LoadFromFile(path));
    QCOMPARE(options.FNotifyWhenDone, true);
}

void TestExtraOptions::startUpKeepsADamagedFileAsBakAndReportsIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extraoptions.bin"));
    const QByteArray damaged = bytes({1, 0, 0});
    QVERIFY(writeBytes(path, damaged));
    TExtraOptions options;
    const QString text = LoadSettingsFileOrReport(path, [&](const QString &name) { options.LoadFromFile(name); });
    QVERIFY2(text.contains(path), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Используются настройки по умолчанию")), qPrintable(text));
    QVERIFY2(text.contains(path + QStringLiteral(".bak")), qPrintable(text));
    QCOMPARE(options, TExtraOptions());
    QCOMPARE(fileBytes(path + QStringLiteral(".bak")), damaged);
    QCOMPARE(fileBytes(path), damaged);

    // A second start with the same damage reuses the copy.
    QVERIFY(!LoadSettingsFileOrReport(path, [&](const QString &name) { options.LoadFromFile(name); }).isEmpty());
    QVERIFY(!QFile::exists(path + QStringLiteral(".bak.1")));
}

void TestExtraOptions::startUpIsSilentWithoutAFileOrWithAGoodOne()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extraoptions.bin"));
    TExtraOptions options;
    const auto load = [&](const QString &name) { options.LoadFromFile(name); };
    QCOMPARE(LoadSettingsFileOrReport(path, load), QString());
    QCOMPARE(options, TExtraOptions());

    QVERIFY(writeBytes(path, bytes({1, 0, 0, 0, 0})));
    QCOMPARE(LoadSettingsFileOrReport(path, load), QString());
    QCOMPARE(options.FNotifyWhenDone, false);
    QVERIFY(!QFile::exists(path + QStringLiteral(".bak")));
}

void TestExtraOptions::aSaveThatCannotReplaceThePathThrows()
{
    QTemporaryDir dir;
    // A folder where the file should be: the save cannot replace it.
    const QString blocked = dir.filePath(QStringLiteral("extraoptions.bin"));
    QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));
    TExtraOptions options;
    QVERIFY_THROWS_EXCEPTION(NesvaraError, options.SaveToFile(blocked));
    QVERIFY(QFileInfo(blocked).isDir());
    QVERIFY(QFileInfo::exists(blocked + QStringLiteral("/inside")));
}

QTEST_GUILESS_MAIN(TestExtraOptions)
#include "tst_extraoptions.moc"
