// Writes valid options and playlist files, written by the program's own savers, as the
// fuzzers' starting corpora: make_fuzz_seeds OPTIONS_DIR PLAYLISTS_DIR
#include "playlists/Mp3FilesList.h"
#include "settings/OptionsData.h"
#include "shell/Errors.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

void WriteOptionsSeeds(const QDir &dir)
{
    TOptionsData options;
    options.SaveToFile(dir.filePath(QStringLiteral("zero.bin")));

    options.FMedInstructor = 1;
    options.FMedTechnique = TMedTech::mtRandomBodyPartsEnum;
    options.FMedLenMin = 60;
    options.FRemIntTech1Sec = 30;
    options.FRemIntTech3MSec = 2000;
    options.FRemIntTech6MSec = 500;
    options.FConcIntSec = 90;
    options.FPlayNidra = true;
    options.FNidraFileNum = 3;
    options.FPlayMusic = true;
    options.FMusicPosition = 2;
    options.FMusicFileNum = 4;
    options.FMusicSubFileNum = -1;
    options.FPlaySound = true;
    options.FBackSoundFileNum = 2;
    options.FVolume = 0.75;
    options.FDoNotPlayIntro = true;
    options.FSwitchOffComputerAfterMeditation = true;
    options.SaveToFile(dir.filePath(QStringLiteral("full.bin")));
}

void WritePlaylistSeeds(const QDir &dir)
{
    auto list = std::make_unique<TMp3FilesList>();
    list->SaveToFile(dir.filePath(QStringLiteral("empty.bin")));

    list->SetBasicMusic(QStringLiteral("/opt/nesvara/"));
    list->SaveToFile(dir.filePath(QStringLiteral("music.bin")));

    list->SetBasicBackSounds(QStringLiteral("/opt/nesvara/"));
    list->SaveToFile(dir.filePath(QStringLiteral("backsounds.bin")));

    list->Clear();
    for (int i = 0; i < 4; ++i) {
        list->AddList(QStringLiteral("Список %1").arg(i));
        list->at(i).Vol = 0.25 * (i + 1);
        for (int f = 0; f < i; ++f)
            list->at(i).mp3files << QStringLiteral("/Музыка/%1/трек %2.mp3").arg(i).arg(f);
    }
    list->FLastBigFolder = QStringLiteral("/Музыка");
    list->FLastBigFolderReadType = 1;
    list->FLastBigFoldersList = {QStringLiteral("/Музыка"), QStringLiteral("/Старое")};
    list->SaveToFile(dir.filePath(QStringLiteral("several.bin")));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OPTIONS_DIR PLAYLISTS_DIR\n");
        return 2;
    }
    try {
        QDir().mkpath(args[1]);
        QDir().mkpath(args[2]);
        WriteOptionsSeeds(QDir(args[1]));
        WritePlaylistSeeds(QDir(args[2]));
    } catch (const NesvaraError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    return 0;
}
