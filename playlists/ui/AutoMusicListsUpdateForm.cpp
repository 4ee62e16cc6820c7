#include "playlists/ui/AutoMusicListsUpdateForm.h"

#include "playlists/Mp3FilesList.h"
#include "shell/Errors.h"
#include "shell/FileKinds.h"
#include "shell/Helpers.h"
#include "shell/ProgramFolders.h"
#include "shell/ui/FormHelpers.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace {

// Only the most recent folder counts; older entries of the history are never tried.
QString LastUsableFolder(const TMp3FilesList &muslist)
{
    if (muslist.FLastBigFoldersList.isEmpty())
        return QString();
    const QString folder = muslist.FLastBigFoldersList.last();
    if (!StringFilled(folder) || !QFileInfo(folder).isDir())
        return QString();
    return folder;
}

// Lets a long path wrap after any separator instead of widening the window.
QString BreakableFolderText(const QString &folder)
{
    const QChar zeroWidthSpace(0x200B);
    QString text;
    for (const QChar unit : folder) {
        text.append(unit);
        if (unit == QLatin1Char('/') || unit == QLatin1Char('\\'))
            text.append(zeroWidthSpace);
    }
    return text;
}

// The old playlists that have no namesake in the rebuilt collection.
qint32 RemovedPlaylists(const TMp3FilesList &old, const TMp3FilesList &rebuilt)
{
    QStringList kept;
    for (qint32 index = 0; index < rebuilt.flistscount; ++index)
        kept.append(rebuilt.at(index).name);
    qint32 removed = 0;
    for (qint32 index = 0; index < old.flistscount; ++index) {
        const qsizetype found = kept.indexOf(old.at(index).name);
        if (found < 0)
            ++removed;
        else
            kept.removeAt(found);
    }
    return removed;
}

} // namespace

TAutoMusicListsUpdateForm::TAutoMusicListsUpdateForm(QWidget *parent)
    : QDialog(parent)
    , Label1(new QLabel(QStringLiteral("1. Стереть текущий список плейлистов музыки;"), this))
    , Label2(new QLabel(
          QStringLiteral("2. Создать новый список плейлистов из следующего каталога:"), this))
    , Label3(new QLabel(this))
    , Label4(new QLabel(QStringLiteral("3. Сохранить новый список плейлистов."), this))
    , Button1(new QPushButton(QStringLiteral("Ок"), this))
    , Button2(new QPushButton(QStringLiteral("Отмена"), this))
{
    setWindowTitle(QStringLiteral("Автообновление списка плейлистов музыки"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label3->setWordWrap(true);
    Label3->setTextFormat(Qt::PlainText);
    Label3->setIndent(16);
    Label3->setMinimumWidth(Label2->sizeHint().width());

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(Label4);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    Button1->setDefault(true);

    connect(Button1, &QPushButton::clicked, this, &TAutoMusicListsUpdateForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TAutoMusicListsUpdateForm::Button2Click);

    adjustSize();
    AlignForm(this, 0, -0.5);
}

bool TAutoMusicListsUpdateForm::CheckUpdate(TMp3FilesList &muslist, const QString &muslistfile)
{
    const QString folder = LastUsableFolder(muslist);
    if (folder.isEmpty()) {
        ShowMessage(this, QStringLiteral("Не найден последний каталог!"));
        return false;
    }
    Label3->setText(BreakableFolderText(folder));
    adjustSize();
    FRes = false;
    exec();
    if (!FRes)
        return false;
    return RebuildAndSave(muslist, folder, muslistfile);
}

// Built and saved in a copy first: if the save fails, the caller keeps a collection that
// matches the file on disk and never offers playlists that do not exist.
bool TAutoMusicListsUpdateForm::RebuildAndSave(TMp3FilesList &muslist, const QString &folder,
                                               const QString &muslistfile)
{
    try {
        auto rebuilt = std::make_unique<TMp3FilesList>();
        rebuilt->Assign(muslist);
        rebuilt->Clear();
        rebuilt->AddFromDirWithSepSubFolders(folder);
        rebuilt->FLastBigFolder = folder;
        rebuilt->FLastBigFolderReadType = 0;
        if (!ConfirmRebuild(muslist, *rebuilt, folder))
            return false;
        MakeFolderFor(muslistfile);
        rebuilt->SaveToFile(muslistfile);
        muslist.Assign(*rebuilt);
        muslist.FChanged = false;
        if (!rebuilt->FSkippedFiles.isEmpty())
            ShowMessage(this, SkippedFilesText(rebuilt->FSkippedFiles));
        return true;
    } catch (const NesvaraError &error) {
        ShowMessage(this, error.text());
        return false;
    }
}

// A rebuild that would leave no playlist changes nothing; one that drops playlists says how
// many and lets the user keep the old ones.
bool TAutoMusicListsUpdateForm::ConfirmRebuild(const TMp3FilesList &old, const TMp3FilesList &rebuilt,
                                               const QString &folder)
{
    if (rebuilt.flistscount == 0) {
        ShowMessage(this, QStringLiteral("В каталоге \"%1\" нет подкаталогов с MP3-файлами. "
                                         "Списки музыки не изменены.")
                              .arg(folder));
        return false;
    }
    const qint32 removed = RemovedPlaylists(old, rebuilt);
    if (removed == 0)
        return true;
    return AskYesNo(this, QStringLiteral("Будет удалено плейлистов: %1 из %2. Продолжить?")
                              .arg(removed)
                              .arg(old.flistscount));
}

void TAutoMusicListsUpdateForm::Button1Click()
{
    FRes = true;
    close();
}

void TAutoMusicListsUpdateForm::Button2Click()
{
    close();
}
