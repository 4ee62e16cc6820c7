#include "voices/VoiceLibrary.h"

#include "shell/FileEnumeration.h"
#include "shell/FileKinds.h"

#include <QDir>

namespace {

constexpr double kVoiceCoef = 0.4;

struct VoiceFolder
{
    const char16_t *folder;
    QStringList TInstructorVoices::*list;
};

struct PreparationFolder
{
    const char16_t *title;
    const char16_t *folder;
};

using V = TInstructorVoices;

// The folders in the order they are read; the order decides the order of the reports.
const VoiceFolder kInstructor0Voices[] = {
    {u"Sounds/Ostrel/RemindsTech1/", &V::FRemindersTech1List},
    {u"Sounds/Ostrel/RemindsTech2/", &V::FRemindersTech2List},
    {u"Sounds/Ostrel/RemindsTech3/Inhals/", &V::FRemindersTech3InhalList},
    {u"Sounds/Ostrel/RemindsTech3/Exhals/", &V::FRemindersTech3ExhalList},
    {u"Sounds/Ostrel/RemindsTech6/", &V::FRemindersTech6List},
    {u"Sounds/Ostrel/RemindsConcTech1/Seconds/", &V::FRemindersConcIntSecList},
    {u"Sounds/Ostrel/RemindsConcTech1/Seconds/More/", &V::FRemindersConcIntSecNotBegList},
    {u"Sounds/Ostrel/RemindsConcTech1/Time/", &V::FRemindersConcIntTimeList},
    {u"Sounds/Ostrel/RemindsConcTech1/Time/More", &V::FRemindersConcIntTimeNotBegList},
    {u"Sounds/Ostrel/EndRemindsConcTech1/", &V::FRemindersConcIntEndList},
    {u"Sounds/Ostrel/MedBegsTech1/", &V::FMedBegsTech1List},
    {u"Sounds/Ostrel/MedBegsTech2/", &V::FMedBegsTech2List},
    {u"Sounds/Ostrel/MedBegsTech3/", &V::FMedBegsTech3List},
    {u"Sounds/Ostrel/MedBegsTech4/", &V::FMedBegsTech4List},
    {u"Sounds/Ostrel/MedBegsTech5/", &V::FMedBegsTech5List},
    {u"Sounds/Ostrel/MedBegsTech6/", &V::FMedBegsTech6List},
    {u"Sounds/Ostrel/MedBegsTech7/", &V::FMedBegsTech7List},
    {u"Sounds/Ostrel/MedBegsTech8/", &V::FMedBegsTech8List},
    {u"Sounds/Ostrel/MedBegQuick/", &V::FMedBegsQuickList},
    {u"Sounds/Ostrel/MedBegsConcAddText/", &V::FMedBegsTechConcAddList},
    // The preparation-period lists are read from the silence introduction's folder.
    {u"Sounds/Ostrel/MedBegsTech8/", &V::FMedBegsTechPrepContIntSecList},
    {u"Sounds/Ostrel/MedBegsTech8/", &V::FMedBegsTechPrepContIntTimeList},
    {u"Sounds/Ostrel/MedEnds/", &V::FMedEndsList},
    // The body-part techniques close with the recordings kept under MedEndsTech5.
    {u"Sounds/Ostrel/MedEndsTech5/", &V::FMedEndsTech6List},
};

const VoiceFolder kInstructor1Voices[] = {
    {u"Sounds/Marvane/MedBegsTech1/", &V::FMedBegsTech1List},
    {u"Sounds/Marvane/MedBegsTech8/", &V::FMedBegsTech8List},
    {u"Sounds/Marvane/MedBegQuick/", &V::FMedBegsQuickList},
    {u"Sounds/Marvane/RemindsTech1/", &V::FRemindersTech1List},
    {u"Sounds/Marvane/MedEnds/", &V::FMedEndsList},
};

const PreparationFolder kInstructor0Preparations[] = {
    {u"Стандартная подготовка к медитации (7 мин.)", u"Sounds/Ostrel/Nidras01/"},
    {u"Перечисление частей тела 1 (14 мин.)", u"Sounds/Ostrel/Nidras02/"},
    {u"Перечисление частей тела 2 (18 мин.)", u"Sounds/Ostrel/Nidras03/"},
    {u"Перечисление частей тела 3 (14 мин.)", u"Sounds/Ostrel/Nidras04/"},
    {u"Перечисление частей тела 4 (16 мин.)", u"Sounds/Ostrel/Nidras05/"},
    {u"Визуализация 1 (13 мин.)", u"Sounds/Ostrel/Nidras06/"},
    {u"Визуализация 2 (12 мин.)", u"Sounds/Ostrel/Nidras07/"},
    {u"Визуализация 3 (11 мин.)", u"Sounds/Ostrel/Nidras08/"},
    {u"Ощущения тепла и холода 1 (13 мин)", u"Sounds/Ostrel/Nidras09/"},
    {u"Ощущения тепла и холода 2 (14 мин)", u"Sounds/Ostrel/Nidras10/"},
    {u"Ощущения тяжести и лёгкости (11 мин)", u"Sounds/Ostrel/Nidras11/"},
    {u"Разотождествление (12 мин.)", u"Sounds/Ostrel/Nidras12/"},
};

const PreparationFolder kInstructor1Preparations[] = {
    {u"Перечисление частей тела 1 (13 мин.)", u"Sounds/Marvane/Nidras02/"},
    {u"Перечисление частей тела 2 (17 мин.)", u"Sounds/Marvane/Nidras05/"},
    {u"Визуализация 1 (12 мин.)", u"Sounds/Marvane/Nidras01/"},
    {u"Визуализация 2 (11 мин.)", u"Sounds/Marvane/Nidras03/"},
    {u"Визуализация 3 (13 мин.)", u"Sounds/Marvane/Nidras04/"},
    {u"Визуализация 4 (13 мин.)", u"Sounds/Marvane/Nidras07/"},
    {u"Визуализация 5 (17 мин.)", u"Sounds/Marvane/Nidras08/"},
    {u"Визуализация 6 (13 мин.)", u"Sounds/Marvane/Nidras10/"},
    {u"Визуализация 7 (12 мин.)", u"Sounds/Marvane/Nidras11/"},
    {u"Визуализация 8 (17 мин.)", u"Sounds/Marvane/Nidras12/"},
    {u"Напряжение и расслабление мышц (11 мин.)", u"Sounds/Marvane/Nidras06/"},
    {u"Таинственное путешествие 1 (12 мин.)", u"Sounds/Marvane/Nidras09/"},
    {u"Таинственное путешествие 2 (11 мин.)", u"Sounds/Marvane/Nidras13/"},
};

const QString kMp3Mask = QStringLiteral("*.mp3");

QString folderPath(const QString &libraryDir, const char16_t *relative)
{
    return libraryDir + QDir::toNativeSeparators(QString::fromUtf16(relative));
}

constexpr int kShownFolders = 10;

void addOnce(QStringList &list, const QStringList &entries)
{
    for (const QString &entry : entries)
        if (!list.contains(entry))
            list.append(entry);
}

// The recordings of one folder of the layout, from every library in turn; files that are no
// regular files are noted in the report.
QStringList filesInEveryLibrary(const QStringList &libraryDirs, const char16_t *relative,
                                TVoiceLibraryReport &report)
{
    QStringList files;
    for (const QString &libraryDir : libraryDirs) {
        TFolderFiles found = ListFilesInDir(folderPath(libraryDir, relative), kMp3Mask, false);
        addOnce(report.skippedFiles, found.skipped);
        files += found.files;
    }
    return files;
}

// A voice folder must hold at least one recording in one of the libraries; an empty one is
// reported and loading goes on with the empty list.
QStringList GetFilesInDirSafe(const QStringList &libraryDirs, const char16_t *relative,
                              TVoiceLibraryReport &report)
{
    QStringList files = filesInEveryLibrary(libraryDirs, relative, report);
    if (files.isEmpty())
        addOnce(report.emptyFolders, {folderPath(libraryDirs.last(), relative)});
    return files;
}

template <std::size_t N>
void loadVoiceLists(const QStringList &libraryDirs, const VoiceFolder (&folders)[N],
                    TInstructorVoices &voices, TVoiceLibraryReport &report)
{
    for (const VoiceFolder &row : folders)
        voices.*row.list = GetFilesInDirSafe(libraryDirs, row.folder, report);
}

// Preparation folders are not checked: an empty one gives a playlist without files.
template <std::size_t N>
void loadPreparations(const QStringList &libraryDirs, const PreparationFolder (&folders)[N],
                      TMp3FilesList &preparations, TVoiceLibraryReport &report)
{
    for (const PreparationFolder &row : folders) {
        preparations.AddList(QString::fromUtf16(row.title));
        preparations.at(preparations.flistscount - 1).mp3files =
            filesInEveryLibrary(libraryDirs, row.folder, report);
    }
}

} // namespace

TVoiceLibraryReport LoadVoiceLibrary(const QStringList &libraryDirs, TInstructorVoiceSets &voices)
{
    TVoiceLibraryReport report;
    for (TInstructorVoices &instructor : voices)
        instructor = TInstructorVoices();
    loadVoiceLists(libraryDirs, kInstructor0Voices, voices[0], report);
    loadPreparations(libraryDirs, kInstructor0Preparations, *voices[0].FNidrasLists, report);
    loadVoiceLists(libraryDirs, kInstructor1Voices, voices[1], report);
    loadPreparations(libraryDirs, kInstructor1Preparations, *voices[1].FNidrasLists, report);
    for (TInstructorVoices &instructor : voices)
        instructor.VoiceCoef = kVoiceCoef;
    return report;
}

QString VoiceLibraryProblemsText(const TVoiceLibraryReport &report)
{
    QStringList parts;
    if (!report.emptyFolders.isEmpty()) {
        QStringList shown;
        for (qsizetype i = 0; i < report.emptyFolders.size() && i < kShownFolders; ++i)
            shown << QDir::toNativeSeparators(report.emptyFolders.at(i));
        QString text = QStringLiteral("В этих папках нет записей голоса (файлов MP3):\n") + shown.join(QLatin1Char('\n'));
        if (report.emptyFolders.size() > kShownFolders)
            text += QStringLiteral("\n…и ещё %1.").arg(report.emptyFolders.size() - kShownFolders);
        text += QStringLiteral("\nМедитация, которой нужны эти фразы, остановится с сообщением "
                               "\"Звуковой файл не найден.\"");
        parts << text;
    }
    if (!report.skippedFiles.isEmpty())
        parts << SkippedFilesText(report.skippedFiles);
    return parts.join(QStringLiteral("\n\n"));
}

TVoiceLibraryReport LoadVoiceLibrary(const QString &programDir, TInstructorVoiceSets &voices)
{
    return LoadVoiceLibrary(QStringList{programDir}, voices);
}
