#include "playlists/ui/ChooseFolderForm.h"

#include "playlists/ui/ChooseDirForm.h"
#include "shell/Helpers.h"
#include "shell/ui/FormHelpers.h"

#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QStringList ImportModeTexts()
{
    return {
        QStringLiteral("Добавить все файлы из этого каталога как один плейлист"),
        QStringLiteral("Добавить каждый подкаталог этого каталога как отдельный плейлист"),
        QStringLiteral("Добавить каждый файл из этого каталога  как отдельный плейлист"),
        QStringLiteral("Добавить каждый файл как отдельный плейлист, сканируя вместе с "
                       "подкаталогами"),
    };
}

// Both separators count, since a history may hold folders typed either way.
QString WithTrailingSeparator(const QString &dir)
{
    if (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))
        return dir;
    return dir + QDir::separator();
}

void RememberFolder(QStringList &prevdirs, const QString &dir)
{
    if (!prevdirs.contains(dir, Qt::CaseInsensitive))
        prevdirs.append(dir);
    while (prevdirs.size() > TChooseFolderForm::kHistoryLimit)
        prevdirs.removeFirst();
}

} // namespace

TChooseFolderForm::TChooseFolderForm(QWidget *parent)
    : QDialog(parent)
    , ChooseDir([](const QString &typed, QString &res) { return ChooseDirForm()->GetDir(res, typed); })
    , CommonFolderCombo(new QComboBox(this))
    , Button10(new QPushButton(QStringLiteral("Изменить"), this))
    , ListBox1(new QListWidget(this))
    , Button1(new QPushButton(QStringLiteral("Ок"), this))
    , Button2(new QPushButton(QStringLiteral("Отмена"), this))
{
    setWindowTitle(QStringLiteral("Выберите каталог"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint);

    CommonFolderCombo->setEditable(true);
    // The history is kept by GetFolder, not by typing Enter.
    CommonFolderCombo->setInsertPolicy(QComboBox::NoInsert);
    CommonFolderCombo->setMinimumContentsLength(40);
    CommonFolderCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The history is offered in a list under the field; it never completes the typed text,
    // which would turn a typed folder into a longer one from the history.
    CommonFolderCombo->completer()->setCompletionMode(QCompleter::PopupCompletion);

    ListBox1->addItems(ImportModeTexts());
    ListBox1->setCurrentRow(imEachSubFolder);
    ListBox1->setFixedHeight(ListBox1->sizeHintForRow(0) * ListBox1->count()
                             + 2 * ListBox1->frameWidth() + 4);
    ListBox1->setMinimumWidth(ListBox1->sizeHintForColumn(0) + 2 * ListBox1->frameWidth() + 8);

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(CommonFolderCombo, 1);
    folderRow->addWidget(Button10);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Button1->setDefault(true);

    connect(Button10, &QPushButton::clicked, this, &TChooseFolderForm::Button10Click);
    connect(Button1, &QPushButton::clicked, this, &TChooseFolderForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TChooseFolderForm::Button2Click);

    adjustSize();
    AlignForm(this);
}

bool TChooseFolderForm::GetFolder(QString &dir, qint32 &extrtype, QStringList &prevdirs)
{
    dir.clear();
    FRes = false;
    // The typed folder stays from the last use; only the drop-down list is replaced.
    const QString typed = CommonFolderCombo->currentText();
    CommonFolderCombo->clear();
    CommonFolderCombo->addItems(prevdirs);
    CommonFolderCombo->setEditText(typed);

    exec();
    if (!FRes)
        return false;
    dir = CommonFolderCombo->currentText();
    if (!StringFilled(dir))
        return false;
    dir = WithTrailingSeparator(dir);
    RememberFolder(prevdirs, dir);
    const QListWidgetItem *mode = ListBox1->currentItem();
    extrtype = mode && mode->isSelected() ? ListBox1->currentRow() : -1;
    return true;
}

void TChooseFolderForm::Button10Click()
{
    QString chosen;
    if (ChooseDir && ChooseDir(CommonFolderCombo->currentText(), chosen))
        CommonFolderCombo->setEditText(chosen);
}

void TChooseFolderForm::Button1Click()
{
    if (!StringFilled(CommonFolderCombo->currentText())) {
        ShowMessage(this, QStringLiteral("Укажите каталог."));
        return;
    }
    FRes = true;
    close();
}

void TChooseFolderForm::Button2Click()
{
    close();
}
