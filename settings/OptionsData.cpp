#include "settings/OptionsData.h"

#include "shell/AtomicSave.h"
#include "shell/Errors.h"
#include "shell/StreamHelper.h"

#include <QBuffer>
#include <QFile>

void TOptionsData::ReadFrom(QIODevice &device)
{
    TMyStreamHelper stream(device);
    TOptionsData loaded;
    const qint32 instructor = stream.hfReadInteger();
    if (instructor != 0 && instructor != 1)
        throw RangeError(QStringLiteral("Неверный номер инструктора в файле настроек: %1")
                             .arg(instructor));
    loaded.FMedInstructor = static_cast<TMedInstructor>(instructor);
    // Only the low byte of the technique is kept; an unknown one reads as silence later.
    loaded.FMedTechnique = static_cast<TMedTech>(stream.hfReadInteger() & 0xFF);
    loaded.FMedLenMin = stream.hfReadInteger();
    loaded.FRemIntTech1Sec = stream.hfReadInteger();
    loaded.FRemIntTech3MSec = stream.hfReadInteger();
    loaded.FRemIntTech6MSec = stream.hfReadInteger();
    loaded.FConcIntSec = stream.hfReadInteger();
    loaded.FPlayNidra = stream.hfReadBoolean();
    loaded.FNidraFileNum = stream.hfReadInteger();
    loaded.FPlayMusic = stream.hfReadBoolean();
    loaded.FMusicPosition = stream.hfReadInteger();
    loaded.FMusicFileNum = stream.hfReadInteger();
    loaded.FMusicSubFileNum = stream.hfReadInteger();
    loaded.FPlaySound = stream.hfReadBoolean();
    loaded.FBackSoundFileNum = stream.hfReadInteger();
    loaded.FVolume = stream.hfReadDouble();
    loaded.FDoNotPlayIntro = stream.hfReadBoolean();
    loaded.FSwitchOffComputerAfterMeditation = stream.hfReadBoolean();
    *this = loaded;
}

void TOptionsData::WriteTo(QIODevice &device) const
{
    TMyStreamHelper stream(device);
    stream.hfWriteInteger(FMedInstructor);
    stream.hfWriteInteger(static_cast<qint32>(FMedTechnique));
    stream.hfWriteInteger(FMedLenMin);
    stream.hfWriteInteger(FRemIntTech1Sec);
    stream.hfWriteInteger(FRemIntTech3MSec);
    stream.hfWriteInteger(FRemIntTech6MSec);
    stream.hfWriteInteger(FConcIntSec);
    stream.hfWriteBoolean(FPlayNidra);
    stream.hfWriteInteger(FNidraFileNum);
    stream.hfWriteBoolean(FPlayMusic);
    stream.hfWriteInteger(FMusicPosition);
    stream.hfWriteInteger(FMusicFileNum);
    stream.hfWriteInteger(FMusicSubFileNum);
    stream.hfWriteBoolean(FPlaySound);
    stream.hfWriteInteger(FBackSoundFileNum);
    stream.hfWriteDouble(FVolume);
    stream.hfWriteBoolean(FDoNotPlayIntro);
    stream.hfWriteBoolean(FSwitchOffComputerAfterMeditation);
}

void TOptionsData::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Не удаётся открыть файл \"%1\": %2")
                            .arg(fileName, file.errorString()));
    if (file.size() != kFileSize)
        throw StreamError(QStringLiteral("Файл настроек \"%1\" повреждён: его длина %2 байт вместо %3.")
                              .arg(fileName)
                              .arg(file.size())
                              .arg(kFileSize));
    ReadFrom(file);
}

void TOptionsData::SaveToFile(const QString &fileName) const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteTo(buffer);
    SaveFileAtomically(fileName, buffer.data());
}
