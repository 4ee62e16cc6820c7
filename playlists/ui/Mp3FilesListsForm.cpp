#include "playlists/ui/Mp3FilesListsForm.h"

#include "playlists/ui/ChooseFolderForm.h"
#include "shell/Errors.h"
#include "shell/FileEnumeration.h"
#include "shell/FileKinds.h"
#include "shell/Helpers.h"
#include "shell/ProgramFolders.h"
#include "shell/ui/FormHelpers.h"

#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

namespace {

constexpr int kVolumeMax = 1000;
const char *const kMp3Mask = "*.mp3";

QPushButton *NewButton(const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    // Enter in the name or volume field must not press a button of the window.
    button->setAutoDefault(false);
    return button;
}

QToolButton *NewArrowButton(Qt::ArrowType arrow, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(arrow);
    // Taking the focus on a click makes the next click in the names box write back.
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

// The slider position for a volume factor: to the nearest step, halves to the even one,
// limited to the slider's range.
int VolumeToPosition(double vol)
{
    const double steps = std::nearbyint(vol * kVolumeMax);
    if (!(steps >= 1))
        return 1;
    if (steps > kVolumeMax)
        return kVolumeMax;
    return static_cast<int>(steps);
}

double PercentFromText(const QString &text)
{
    bool ok = false;
    const double percent = QLocale::system().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(percent))
        throw ConversionError(QStringLiteral("«%1» — не число.").arg(text));
    return percent;
}

QStringList Entries(const QListWidget *box)
{
    QStringList entries;
    entries.reserve(box->count());
    for (int row = 0; row < box->count(); ++row)
        entries.append(box->item(row)->text());
    return entries;
}

int SelectedRow(const QListWidget *box)
{
    const QList<QListWidgetItem *> selected = box->selectedItems();
    return selected.isEmpty() ? -1 : box->row(selected.first());
}

} // namespace

TMp3FilesListsForm::TMp3FilesListsForm(IFolderChooser *folderChooser, QWidget *parent)
    : QDialog(parent)
    , FLists(std::make_unique<TMp3FilesList>())
    , FFolderChooser(folderChooser)
{
    setWindowTitle(QStringLiteral("Списки файлов"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMaximizeButtonHint);
    BuildControls();
    ConnectControls();
    resize(sizeHint().expandedTo(QSize(860, 560)));
    AlignForm(this, 0, -0.9);
}

TMp3FilesListsForm::~TMp3FilesListsForm() = default;

void TMp3FilesListsForm::BuildControls()
{
    ListBox1 = new QListWidget(this);
    SpeedButton1 = NewArrowButton(Qt::UpArrow, this);
    SpeedButton3 = NewArrowButton(Qt::DownArrow, this);
    Button8 = NewButton(QStringLiteral("Удалить"), this);
    Button9 = NewButton(QStringLiteral("Удалить все"), this);
    Button7 = NewButton(QStringLiteral("Добавить файл"), this);
    Button15 = NewButton(QStringLiteral("Добавить файлы"), this);
    Button16 = NewButton(QStringLiteral("Добавить каталог"), this);

    VolumeScroll = new QScrollBar(Qt::Horizontal, this);
    VolumeScroll->setRange(1, kVolumeMax);
    VolumeScroll->setPageStep(50);
    VolumeScroll->setValue(kVolumeMax);
    VolumeScroll->setFocusPolicy(Qt::StrongFocus);
    VolumeEdit = new QLineEdit(QStringLiteral("100"), this);
    VolumeEdit->setMaximumWidth(VolumeEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    CurListNameEdit = new QLineEdit(this);
    fileslist = new QListWidget(this);
    SpeedButton2 = NewArrowButton(Qt::UpArrow, this);
    SpeedButton4 = NewArrowButton(Qt::DownArrow, this);
    Button3 = NewButton(QStringLiteral("Очистить"), this);
    Button14 = NewButton(QStringLiteral("Удалить"), this);
    Button1 = NewButton(QStringLiteral("Добавить файл"), this);

    Button4 = NewButton(QStringLiteral("Сохранить список"), this);
    Button5 = NewButton(QStringLiteral("Ок"), this);
    Button6 = NewButton(QStringLiteral("Отмена"), this);

    auto *listArrows = new QHBoxLayout;
    listArrows->addWidget(SpeedButton1);
    listArrows->addWidget(SpeedButton3);
    listArrows->addStretch();
    auto *listButtons = new QGridLayout;
    listButtons->addWidget(Button8, 0, 0);
    listButtons->addWidget(Button9, 0, 1);
    listButtons->addWidget(Button7, 1, 0);
    listButtons->addWidget(Button15, 1, 1);
    listButtons->addWidget(Button16, 2, 0, 1, 2);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Списки:"), this));
    left->addWidget(ListBox1, 1);
    left->addLayout(listArrows);
    left->addLayout(listButtons);

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Громкость, %"), this), 0, 0);
    fields->addWidget(VolumeEdit, 0, 1);
    fields->addWidget(VolumeScroll, 0, 2);
    fields->addWidget(new QLabel(QStringLiteral("Название:"), this), 1, 0);
    fields->addWidget(CurListNameEdit, 1, 1, 1, 2);
    fields->setColumnStretch(2, 1);
    auto *fileButtons = new QHBoxLayout;
    fileButtons->addWidget(SpeedButton2);
    fileButtons->addWidget(SpeedButton4);
    fileButtons->addStretch();
    fileButtons->addWidget(Button3);
    fileButtons->addWidget(Button14);
    fileButtons->addWidget(Button1);
    auto *right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(fileslist, 1);
    right->addLayout(fileButtons);

    auto *sides = new QHBoxLayout;
    sides->addLayout(left, 2);
    sides->addLayout(right, 3);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Button4);
    bottom->addStretch();
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sides, 1);
    layout->addLayout(bottom);
}

void TMp3FilesListsForm::ConnectControls()
{
    ListBox1->installEventFilter(this);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TMp3FilesListsForm::ListBox1Click);
    // A click on the already selected playlist shows a rename written back meanwhile.
    connect(ListBox1, &QListWidget::itemClicked, this, &TMp3FilesListsForm::ListBox1Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMp3FilesListsForm::SpeedButton1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TMp3FilesListsForm::SpeedButton3Click);
    connect(Button8, &QPushButton::clicked, this, &TMp3FilesListsForm::Button8Click);
    connect(Button9, &QPushButton::clicked, this, &TMp3FilesListsForm::Button9Click);
    connect(Button7, &QPushButton::clicked, this, &TMp3FilesListsForm::Button7Click);
    connect(Button15, &QPushButton::clicked, this, &TMp3FilesListsForm::Button15Click);
    connect(Button16, &QPushButton::clicked, this, &TMp3FilesListsForm::Button16Click);
    connect(VolumeScroll, &QScrollBar::valueChanged, this, &TMp3FilesListsForm::VolumeScrollChange);
    connect(CurListNameEdit, &QLineEdit::textChanged, this,
            &TMp3FilesListsForm::CurListNameEditChange);
    connect(SpeedButton2, &QToolButton::clicked, this, &TMp3FilesListsForm::SpeedButton2Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TMp3FilesListsForm::SpeedButton4Click);
    connect(Button3, &QPushButton::clicked, this, &TMp3FilesListsForm::Button3Click);
    connect(Button14, &QPushButton::clicked, this, &TMp3FilesListsForm::Button14Click);
    connect(Button1, &QPushButton::clicked, this, &TMp3FilesListsForm::Button1Click);
    connect(Button4, &QPushButton::clicked, this, &TMp3FilesListsForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TMp3FilesListsForm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TMp3FilesListsForm::Button6Click);
}

bool TMp3FilesListsForm::EditList(TMp3FilesList &list, const QString &listfilename)
{
    FLists->Assign(list);
    UpdateListComponents();
    FDataFile = listfilename;
    FRes = false;
    exec();
    if (!FRes)
        return false;
    list.Assign(*FLists);
    return true;
}

bool TMp3FilesListsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1 && event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move of the focus inside the window counts, not the window's reactivation.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            try {
                UpdateCurItem();
            } catch (const NesvaraError &error) {
                // Shown after the focus change has finished: a box opened inside it would
                // hand the focus back here and ask again.
                const QString text = error.text();
                QTimer::singleShot(0, this, [this, text] { ShowMessage(this, text); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMp3FilesListsForm::Guarded(const std::function<void()> &action)
{
    try {
        action();
    } catch (const NesvaraError &error) {
        ReportError(error);
    }
}

void TMp3FilesListsForm::ReportError(const NesvaraError &error)
{
    ShowMessage(this, error.text());
}

// --- Internal operations ---------------------------------------------------------------

void TMp3FilesListsForm::ShowCurItem()
{
    fileslist->clear();
    const int index = SelectedList();
    if (index < 0) {
        CurListNameEdit->clear();
        return;
    }
    const TMp3ListItem &item = FLists->at(index);
    fileslist->addItems(item.mp3files);
    CurListNameEdit->setText(item.name);
    FCurListNameChanged = false;
    VolumeScroll->setValue(VolumeToPosition(item.Vol));
    UpdateVolumeEdit();
}

void TMp3FilesListsForm::UpdateVolumeEdit()
{
    const double percent = static_cast<double>(VolumeScroll->value()) / VolumeScroll->maximum() * 100;
    VolumeEdit->setText(QLocale::system().toString(percent, 'g', 15));
}

void TMp3FilesListsForm::UpdateCurItem()
{
    const int index = SelectedList();
    if (index < 0)
        return;
    TMp3ListItem &item = FLists->at(index);
    item.mp3files = Entries(fileslist);
    if (FCurListNameChanged) {
        item.name = CurListNameEdit->text();
        FItemChanged = true;
        FCurListNameChanged = false;
    }
    item.Vol = PercentFromText(VolumeEdit->text()) * 0.01;
    FLists->FChanged = true;
}

void TMp3FilesListsForm::UpdateListComponents()
{
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->clear();
        for (qint32 index = 0; index < FLists->flistscount; ++index)
            ListBox1->addItem(FLists->at(index).name);
        if (ListBox1->count() > 0)
            ListBox1->setCurrentRow(0);
    }
    ShowCurItem();
}

void TMp3FilesListsForm::SwapFilesInFilesList(int a, int b)
{
    QListWidgetItem *first = fileslist->item(a);
    QListWidgetItem *second = fileslist->item(b);
    const QString text = first->text();
    first->setText(second->text());
    second->setText(text);
}

int TMp3FilesListsForm::SelectedList() const
{
    return SelectedRow(ListBox1);
}

int TMp3FilesListsForm::SelectedFile() const
{
    return SelectedRow(fileslist);
}

void TMp3FilesListsForm::SelectList(int index)
{
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->setCurrentRow(index);
    }
    ListBox1->scrollToItem(ListBox1->currentItem());
    ShowCurItem();
}

// --- Playlists side --------------------------------------------------------------------

void TMp3FilesListsForm::ListBox1Enter()
{
    Guarded([this] { UpdateCurItem(); });
}

void TMp3FilesListsForm::ListBox1Click()
{
    Guarded([this] {
        if (FItemChanged) {
            const int index = SelectedList();
            UpdateListComponents();
            if (index >= 0)
                SelectList(index);
        }
        ShowCurItem();
    });
}

void TMp3FilesListsForm::SpeedButton1Click()
{
    Guarded([this] {
        const int index = SelectedList();
        if (index <= 0)
            return;
        FLists->SwapLists(index, index - 1);
        UpdateListComponents();
        SelectList(index - 1);
        FChanged = true;
    });
}

void TMp3FilesListsForm::SpeedButton3Click()
{
    Guarded([this] {
        const int index = SelectedList();
        if (index < 0 || index >= FLists->flistscount - 1)
            return;
        FLists->SwapLists(index, index + 1);
        UpdateListComponents();
        SelectList(index + 1);
        FChanged = true;
    });
}

void TMp3FilesListsForm::Button8Click()
{
    Guarded([this] {
        const int index = SelectedList();
        if (index < 0)
            return;
        FLists->DeleteList(index);
        UpdateListComponents();
        FChanged = true;
    });
}

void TMp3FilesListsForm::Button9Click()
{
    Guarded([this] {
        if (!AskYesNo(this, QStringLiteral("Очистить всё?")))
            return;
        FLists->Clear();
        UpdateListComponents();
        FChanged = true;
    });
}

void TMp3FilesListsForm::Button7Click()
{
    Guarded([this] {
        UpdateCurItem();
        const QString file = ChooseFile(this, QStringLiteral("Открыть файл"));
        if (!StringFilled(file))
            return;
        FLists->AddList(QFileInfo(file).fileName());
        const qint32 added = FLists->flistscount - 1;
        FLists->at(added).mp3files.append(file);
        UpdateListComponents();
        SelectList(added);
        FChanged = true;
    });
}

void TMp3FilesListsForm::Button15Click()
{
    Guarded([this] {
        UpdateCurItem();
        const QStringList chosen =
            ChooseFiles(this, QStringLiteral("Выберите файлы (несколько — с Ctrl или Shift)"));
        if (chosen.isEmpty() || !StringFilled(chosen.first()))
            return;
        FLists->AddList(ExtractLastFolderFromDir(QFileInfo(chosen.first()).path()));
        const qint32 added = FLists->flistscount - 1;
        FLists->at(added).mp3files = chosen;
        UpdateListComponents();
        SelectList(added);
        FChanged = true;
    });
}

void TMp3FilesListsForm::Button16Click()
{
    Guarded([this] {
        QString dir;
        qint32 extrtype = -1;
        if (!FFolderChooser
            || !FFolderChooser->GetFolder(dir, extrtype, FLists->FLastBigFoldersList))
            return;
        if (!StringFilled(dir))
            return;
        if (!QFileInfo(dir).isDir()) {
            ShowMessage(this, QStringLiteral("Каталог \"%1\" не найден.").arg(dir));
            return;
        }
        if (extrtype < TChooseFolderForm::imFolderAsOnePlaylist
            || extrtype > TChooseFolderForm::imEachFileWithSubFolders)
            return;
        if (AddFolderAsPlaylists(dir, extrtype) == 0) {
            ShowMessage(this, QStringLiteral("В каталоге \"%1\" не найдено MP3-файлов.").arg(dir));
            return;
        }
        UpdateListComponents();
        FChanged = true;
        if (!FLists->FSkippedFiles.isEmpty())
            ShowMessage(this, SkippedFilesText(std::exchange(FLists->FSkippedFiles, {})));
    });
}

// Returns how many playlists were added; a folder without MP3 files adds none, not an
// empty playlist.
qint32 TMp3FilesListsForm::AddFolderAsPlaylists(const QString &dir, qint32 extrtype)
{
    const qint32 before = FLists->flistscount;
    switch (extrtype) {
    case TChooseFolderForm::imFolderAsOnePlaylist:
        if (GetFilesInDir(dir, QLatin1String(kMp3Mask), false).isEmpty())
            return 0;
        FLists->AddList(ExtractLastFolderFromDir(dir), dir, QLatin1String(kMp3Mask));
        return 1;
    case TChooseFolderForm::imEachSubFolder:
        FLists->AddFromDirWithSepSubFolders(dir);
        break;
    case TChooseFolderForm::imEachFile:
        FLists->AddFromDirAsOneFileEach(dir, false);
        break;
    case TChooseFolderForm::imEachFileWithSubFolders:
        FLists->AddFromDirAsOneFileEach(dir, true);
        break;
    default:
        return 0;
    }
    const qint32 added = FLists->flistscount - before;
    if (added > 0) {
        // The folder-wide imports remember where they came from, as read types 0, 1 and 2.
        FLists->FLastBigFolder = dir;
        FLists->FLastBigFolderReadType = extrtype - 1;
    }
    return added;
}

// --- The displayed playlist ------------------------------------------------------------

void TMp3FilesListsForm::SpeedButton2Click()
{
    const int file = SelectedFile();
    if (file <= 0 || file > fileslist->count() - 1)
        return;
    SwapFilesInFilesList(file - 1, file);
    fileslist->setCurrentRow(file - 1);
    FChanged = true;
}

void TMp3FilesListsForm::SpeedButton4Click()
{
    const int file = SelectedFile();
    if (file < 0 || file >= fileslist->count() - 1)
        return;
    SwapFilesInFilesList(file, file + 1);
    fileslist->setCurrentRow(file + 1);
    FChanged = true;
}

void TMp3FilesListsForm::Button3Click()
{
    fileslist->clear();
    FChanged = true;
}

void TMp3FilesListsForm::Button14Click()
{
    const int file = SelectedFile();
    if (file < 0 || file > fileslist->count() - 1)
        return;
    delete fileslist->takeItem(file);
    if (fileslist->count() > 0)
        fileslist->setCurrentRow(0);
    FChanged = true;
}

void TMp3FilesListsForm::Button1Click()
{
    const QString file = ChooseFile(this, QStringLiteral("Выберите файл"));
    if (file.isEmpty())
        return;
    fileslist->addItem(file);
    FChanged = true;
}

void TMp3FilesListsForm::CurListNameEditChange()
{
    FCurListNameChanged = true;
    FChanged = true;
}

void TMp3FilesListsForm::VolumeScrollChange()
{
    UpdateVolumeEdit();
}

// --- Bottom ----------------------------------------------------------------------------

void TMp3FilesListsForm::Button4Click()
{
    Guarded([this] {
        UpdateCurItem();
        MakeFolderFor(FDataFile);
        FLists->SaveToFile(FDataFile);
        FChanged = false;
    });
}

// The save happens before the window closes, so that a failed save keeps the window open
// and the caller's collection as it was.
void TMp3FilesListsForm::Button5Click()
{
    Guarded([this] {
        UpdateCurItem();
        if (FChanged) {
            if (AskYesNo(this, QStringLiteral("Сохранить изменения?"))) {
                MakeFolderFor(FDataFile);
                FLists->SaveToFile(FDataFile);
            } else {
                ShowMessage(this, QStringLiteral("Изменения не записаны: они действуют только до закрытия программы."));
            }
        }
        FRes = true;
        close();
    });
}

void TMp3FilesListsForm::Button6Click()
{
    close();
}
