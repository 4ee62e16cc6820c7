#include "settings/OptionsData.h"
#include "settings/tests/OptionsTestTools.h"
#include "shell/Errors.h"
#include "shell/tests/FullDisk.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

TOptionsData sample()
{
    TOptionsData o;
    o.FMedInstructor = 1;
    o.FMedTechnique = TMedTech::mtBodyPartsEnum;
    o.FMedLenMin = 75;
    o.FRemIntTech1Sec = 600;
    o.FRemIntTech3MSec = 60000;
    o.FRemIntTech6MSec = 250;
    o.FConcIntSec = 120;
    o.FPlayNidra = true;
    o.FNidraFileNum = 12;
    o.FPlayMusic = true;
    o.FMusicPosition = 2;
    o.FMusicFileNum = 2000;
    o.FMusicSubFileNum = -1;
    o.FPlaySound = false;
    o.FBackSoundFileNum = 0;
    o.FVolume = 0.37;
    o.FDoNotPlayIntro = false;
    o.FSwitchOffComputerAfterMeditation = true;
    return o;
}

} // namespace

class TestOptionsData : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString path() const { return m_tmp.filePath(QStringLiteral("options.bin")); }

private slots:
    void layoutIsByteExact()
    {
        const QByteArray expected = QByteArray::fromHex(
            "01000000" "07000000" "4b000000" "58020000" "60ea0000" "fa000000" "78000000"  // 0..27
            "01" "0c000000"                                                           // nidra
            "01" "02000000" "d0070000" "ffffffff"                                     // music
            "00" "00000000"                                                           // sound
            "ae47e17a14aed73f"                                                        // 0.37
            "00" "01");
        QCOMPARE(expected.size(), 61);
        QCOMPARE(bytesOf(sample()).toHex(), expected.toHex());
    }

    void saveThenLoadKeepsEveryField()
    {
        const TOptionsData saved = sample();
        saved.SaveToFile(path());
        QCOMPARE(QFileInfo(path()).size(), 61);
        TOptionsData loaded;
        loaded.LoadFromFile(path());
        QVERIFY(loaded == saved);
        QCOMPARE(loaded.FMedTechnique, TMedTech::mtBodyPartsEnum);
        QCOMPARE(loaded.FMusicSubFileNum, -1);
    }

    void techniqueKeepsOnlyItsLowByte()
    {
        QByteArray bytes = bytesOf(sample());
        bytes[4] = char(0x03);
        bytes[5] = char(0x01);  // 259 stored: the low byte is 3
        writeFile(path(), bytes);
        TOptionsData loaded;
        loaded.LoadFromFile(path());
        QCOMPARE(loaded.FMedTechnique, TMedTech::mtConcIntervals);
    }

    void damagedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray valid = bytesOf(sample());
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte short") << valid.left(60);
        QTest::newRow("one byte more") << valid + char(0);
        QByteArray badInstructor = valid;
        badInstructor[0] = char(2);
        QTest::newRow("instructor 2") << badInstructor;
        QByteArray negativeInstructor = valid;
        negativeInstructor.replace(0, 4, QByteArray::fromHex("ffffffff"));
        QTest::newRow("instructor -1") << negativeInstructor;
    }

    void damagedFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        writeFile(path(), bytes);
        TOptionsData options;
        options.FMedLenMin = 12;
        const TOptionsData before = options;
        QVERIFY_THROWS_EXCEPTION(NesvaraError, options.LoadFromFile(path()));
        QVERIFY(options == before);
    }

    void missingFileThrows()
    {
        TOptionsData options;
        QVERIFY_THROWS_EXCEPTION(FileError, options.LoadFromFile(m_tmp.filePath(QStringLiteral("none.bin"))));
    }

    void saveIntoAMissingFolderThrows()
    {
        QVERIFY_THROWS_EXCEPTION(
            FileError, TOptionsData().SaveToFile(m_tmp.filePath(QStringLiteral("no/such/options.bin"))));
    }

    // "Сохранить настройки" on a disk that takes no more than 30 bytes of a file.
    void saveThatCannotWriteKeepsTheOldFile()
    {
        const QString path = m_tmp.filePath(QStringLiteral("options.bin"));
        sample().SaveToFile(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray old = file.readAll();
        file.close();
        TOptionsData changed = sample();
        changed.FMedLenMin = 5;
        const QString error = runWithFileSizeLimit(30, [&] { changed.SaveToFile(path); });
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("options.bin")});
    }
};

QTEST_GUILESS_MAIN(TestOptionsData)
#include "tst_optionsdata.moc"
