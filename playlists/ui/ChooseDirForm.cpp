#include "playlists/ui/ChooseDirForm.h"

#include "playlists/StartFolder.h"
#include "shell/ui/FormHelpers.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The root of the system volume, the counterpart of drive C:.
QString SystemRoot()
{
    return QDir::rootPath();
}

bool IsKernelMount(const QString &root)
{
    for (const QLatin1String prefix : {QLatin1String("/proc"), QLatin1String("/sys"),
                                       QLatin1String("/dev")})
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return true;
    return false;
}

// The system root first, then every other mounted volume once, by path.
QStringList DriveRoots()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Files mounted over files (as containers do) are no drives.
        if (volume.isValid() && volume.isReady() && !IsKernelMount(root)
            && QFileInfo(root).isDir() && root != SystemRoot() && !roots.contains(root))
            roots.append(root);
    }
    roots.sort();
    roots.prepend(SystemRoot());
    return roots;
}

QString WithTrailingSeparator(const QString &folder)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

// The volume that holds `folder`: the one with the longest root that contains it.
int DriveOf(const QStringList &roots, const QString &folder)
{
    int best = 0;
    for (int index = 1; index < roots.size(); ++index) {
        const QString root = WithTrailingSeparator(roots.at(index));
        if ((folder + QLatin1Char('/')).startsWith(root) && root.size() > WithTrailingSeparator(roots.at(best)).size())
            best = index;
    }
    return best;
}

TChooseDirForm *g_chooseDirForm = nullptr;

void DeleteChooseDirForm()
{
    delete g_chooseDirForm;
    g_chooseDirForm = nullptr;
}

} // namespace

TChooseDirForm::TChooseDirForm(QWidget *parent)
    : QDialog(parent)
    , DriveComboBox1(new QComboBox(this))
    , DirectoryListBox1(new QTreeView(this))
    , Label1(new QLabel(this))
    , SpeedButton1(new QPushButton(QStringLiteral("Ок"), this))
    , SpeedButton2(new QPushButton(QStringLiteral("Отмена"), this))
    , FModel(new QFileSystemModel(this))
{
    setWindowTitle(QStringLiteral("Выберите папку"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    FModel->setReadOnly(true);
    DirectoryListBox1->setModel(FModel);
    for (int column = 1; column < FModel->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    DirectoryListBox1->header()->hide();
    // Long folder names scroll sideways instead of being cut.
    DirectoryListBox1->header()->setStretchLastSection(false);
    DirectoryListBox1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    DirectoryListBox1->setMinimumSize(460, 360);
    // Long paths are elided rather than widening the window.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(Label1);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addLayout(buttons);
    SpeedButton1->setDefault(true);

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            &TChooseDirForm::DriveComboBox1Change);
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TChooseDirForm::UpdateLabel);
    connect(FModel, &QFileSystemModel::directoryLoaded, this, &TChooseDirForm::ModelRowsMoved);
    connect(FModel, &QFileSystemModel::layoutChanged, this, &TChooseDirForm::ModelRowsMoved);
    connect(FModel, &QFileSystemModel::rowsInserted, this, &TChooseDirForm::ModelRowsMoved);
    DirectoryListBox1->installEventFilter(this);
    DirectoryListBox1->viewport()->installEventFilter(this);
    DirectoryListBox1->verticalScrollBar()->installEventFilter(this);
    connect(SpeedButton1, &QPushButton::clicked, this, &TChooseDirForm::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TChooseDirForm::SpeedButton2Click);

    RefillDrives(SystemRoot());
    adjustSize();
    AlignForm(this);
}

bool TChooseDirForm::GetDir(QString &res, const QString &typed)
{
    res.clear();
    fres = false;
    const QString start = StartFolderFor(typed, QDir::homePath());
    RefillDrives(start);
    SetCurrentFolder(start);
    FRevealing = CurrentFolder();
    exec();
    FRevealing.clear();
    if (fres)
        res = CurrentFolder();
    if (res.isEmpty())
        return false;
    res = WithTrailingSeparator(res);
    return true;
}

QString TChooseDirForm::CurrentFolder() const
{
    const QModelIndex current = DirectoryListBox1->currentIndex();
    return current.isValid() ? FModel->filePath(current) : FDriveRoot;
}

void TChooseDirForm::SetCurrentFolder(const QString &folder)
{
    const QModelIndex index = FModel->index(folder);
    if (!index.isValid())
        return;
    DirectoryListBox1->setCurrentIndex(index);
    RevealCurrent();
}

void TChooseDirForm::RevealCurrent()
{
    const QModelIndex current = DirectoryListBox1->currentIndex();
    if (!current.isValid())
        return;
    for (QModelIndex parent = current.parent(); parent.isValid() && parent != DirectoryListBox1->rootIndex();
         parent = parent.parent())
        DirectoryListBox1->expand(parent);
    DirectoryListBox1->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void TChooseDirForm::ModelRowsMoved()
{
    if (!FRevealing.isEmpty() && CurrentFolder() == FRevealing)
        RevealCurrent();
}

bool TChooseDirForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        FRevealing.clear();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TChooseDirForm::DriveComboBox1Change()
{
    if (DriveComboBox1->currentIndex() >= 0)
        ShowDrive(DriveComboBox1->currentText());
}

void TChooseDirForm::SpeedButton1Click()
{
    fres = true;
    close();
}

void TChooseDirForm::SpeedButton2Click()
{
    close();
}

void TChooseDirForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    DirectoryListBox1->setFocus();
    RevealCurrent();
}

void TChooseDirForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    UpdateLabel();
}

// Rebuilt at every opening so that volumes mounted meanwhile appear; the volume that holds
// `start` is selected, which also moves the tree to it.
void TChooseDirForm::RefillDrives(const QString &start)
{
    {
        const QSignalBlocker blocker(DriveComboBox1);
        const QStringList roots = DriveRoots();
        DriveComboBox1->clear();
        DriveComboBox1->addItems(roots);
        DriveComboBox1->setCurrentIndex(DriveOf(roots, start));
    }
    ShowDrive(DriveComboBox1->currentText());
}

void TChooseDirForm::ShowDrive(const QString &root)
{
    FDriveRoot = root;
    FModel->setRootPath(root);
    DirectoryListBox1->setRootIndex(FModel->index(root));
    DirectoryListBox1->setCurrentIndex(QModelIndex());
    UpdateLabel();
}

void TChooseDirForm::UpdateLabel()
{
    const QString folder = CurrentFolder();
    Label1->setToolTip(folder);
    Label1->setText(Label1->fontMetrics().elidedText(folder, Qt::ElideMiddle,
                                                     std::max(Label1->width(), 100)));
}

TChooseDirForm *ChooseDirForm()
{
    if (!g_chooseDirForm) {
        g_chooseDirForm = new TChooseDirForm;
        // Windows must go before the application object does.
        qAddPostRoutine(DeleteChooseDirForm);
    }
    return g_chooseDirForm;
}
