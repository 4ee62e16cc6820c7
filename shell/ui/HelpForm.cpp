#include "shell/ui/HelpForm.h"

#include "shell/ui/FocusRing.h"
#include "shell/ui/FormHelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 820;
constexpr int kHeight = 560;

// The contents list is as wide as its longest title, so no title is cut.
void FitContentsWidth(QListWidget *list)
{
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() + 12);
    list->setMaximumWidth(list->minimumWidth());
}

QString WithoutSection(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveFragment).fileName();
}

} // namespace

const QList<THelpForm::Page> &THelpForm::Contents()
{
    static const QList<Page> pages{
        {QStringLiteral("Начало"), QStringLiteral("index.html")},
        {QStringLiteral("Девять техник"), QStringLiteral("techniques.html")},
        {QStringLiteral("Как идёт медитация"), QStringLiteral("meditation.html")},
        {QStringLiteral("Музыка и фоновые звуки"), QStringLiteral("playlists.html")},
        {QStringLiteral("Настройки и где они хранятся"), QStringLiteral("settings.html")},
        {QStringLiteral("Дневник практики"), QStringLiteral("journal.html")},
        {QStringLiteral("Клавиатура"), QStringLiteral("keys.html")},
    };
    return pages;
}

QUrl THelpForm::PageUrl(const QString &file)
{
    return QUrl(QStringLiteral("qrc:/help/") + file);
}

THelpForm::THelpForm(QWidget *parent)
    : QDialog(parent)
    , ContentsList(new QListWidget(this))
    , Browser(new QTextBrowser(this))
    , BackButton(new QPushButton(QStringLiteral("Назад"), this))
    , CloseButton(new QPushButton(QStringLiteral("Закрыть"), this))
{
    setWindowTitle(QStringLiteral("Справка Nesvara"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMinMaxButtonsHint);

    for (const Page &page : Contents())
        ContentsList->addItem(page.title);
    FitContentsWidth(ContentsList);
    ContentsList->setAccessibleName(QStringLiteral("Содержание справки"));
    Browser->setAccessibleName(QStringLiteral("Текст справки"));
    // Links between the pages open here; an address outside the program goes to the browser.
    Browser->setOpenExternalLinks(true);
    BackButton->setShortcut(QKeySequence::Back);
    BackButton->setToolTip(QStringLiteral("Предыдущая страница (%1)")
                               .arg(QKeySequence(QKeySequence::Back).toString(QKeySequence::NativeText)));
    BackButton->setAccessibleName(QStringLiteral("Назад"));
    BackButton->setEnabled(false);
    BackButton->setAutoDefault(false);
    CloseButton->setAccessibleName(QStringLiteral("Закрыть справку"));
    CloseButton->setAutoDefault(false);

    auto *contentsLabel = new QLabel(QStringLiteral("&Содержание:"), this);
    contentsLabel->setBuddy(ContentsList);
    auto *contentsColumn = new QVBoxLayout;
    contentsColumn->addWidget(contentsLabel);
    contentsColumn->addWidget(ContentsList, 1);
    auto *pages = new QHBoxLayout;
    pages->addLayout(contentsColumn);
    pages->addWidget(Browser, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BackButton);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
    setTabOrder(ContentsList, Browser);
    setTabOrder(Browser, BackButton);
    setTabOrder(BackButton, CloseButton);

    connect(ContentsList, &QListWidget::currentRowChanged, this, &THelpForm::ContentsListChange);
    connect(Browser, &QTextBrowser::sourceChanged, this, &THelpForm::BrowserSourceChange);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);

    InstallFocusRing(this);
    // The window never leaves the screen, even at 1024 × 600.
    resize(SizeOnScreen(this, {kWidth, kHeight}));
    AlignForm(this);
}

void THelpForm::ShowPage(const QString &file)
{
    Browser->setSource(PageUrl(file));
    show();
    raise();
    activateWindow();
    Browser->setFocus();
}

void THelpForm::ContentsListChange()
{
    const int row = ContentsList->currentRow();
    if (row < 0 || row >= Contents().size())
        return;
    const QString file = Contents().at(row).file;
    if (WithoutSection(Browser->source()) != file)
        Browser->setSource(PageUrl(file));
}

// The contents follow the page shown, whether it was reached by a link or by Back.
void THelpForm::BrowserSourceChange(const QUrl &source)
{
    const QString file = WithoutSection(source);
    for (int row = 0; row < Contents().size(); ++row) {
        if (Contents().at(row).file == file) {
            const QSignalBlocker blocker(ContentsList);
            ContentsList->setCurrentRow(row);
            return;
        }
    }
}
