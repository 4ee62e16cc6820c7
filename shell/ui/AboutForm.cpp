#include "shell/ui/AboutForm.h"

#include "shell/Helpers.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/ProgramFont.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 434;
// One line taller than the original box, for the web site's address.
constexpr int kClientHeight = 347;
constexpr int kLinePixels = 19;
constexpr int kLineHeight = 23;

enum class Tone { Black, Green };

const QString kWebSite = QStringLiteral("http://www.nesvara.example/");

QLabel *line(const QString &text, Tone tone, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(ProgramFont(kLinePixels));
    label->setFixedHeight(kLineHeight);
    label->setStyleSheet(tone == Tone::Green ? QStringLiteral("color: #008000;") : QStringLiteral("color: black;"));
    return label;
}

} // namespace

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(ProgramFont(11));
    setFixedSize(kClientWidth, kClientHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 0, 1, 0);
    layout->setSpacing(0);

    ProgVerLabel = new QLabel(this);
    ProgVerLabel->setAlignment(Qt::AlignCenter);
    QFont title = ProgramFont(32);
    title.setBold(true);
    ProgVerLabel->setFont(title);
    ProgVerLabel->setFixedHeight(39);
    ProgVerLabel->setStyleSheet(QStringLiteral("color: blue;"));
    layout->addWidget(ProgVerLabel);

    layout->addWidget(line(QString(), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("Авторы программы:"), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("Программирование: Андрей Светлов"), Tone::Green, this));
    layout->addWidget(line(QString(), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("Контактный email:"), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("info@nesvara.example"), Tone::Green, this));
    WebSiteLabel = line(QStringLiteral("Сайт: <a href=\"%1\">%2</a>")
                            .arg(kWebSite, QUrl(kWebSite).host()),
                        Tone::Black, this);
    WebSiteLabel->setTextFormat(Qt::RichText);
    WebSiteLabel->setOpenExternalLinks(true);
    WebSiteLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
    WebSiteLabel->setAccessibleName(QStringLiteral("Сайт программы"));
    layout->addWidget(WebSiteLabel);
    layout->addWidget(line(QString(), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("Инструктора:"), Tone::Black, this));
    layout->addWidget(line(QStringLiteral("Острель А. В."), Tone::Green, this));
    layout->addWidget(line(QStringLiteral("Марвейн Е. С."), Tone::Green, this));
    layout->addStretch();

    auto *lowerPanel = new QWidget(this);
    lowerPanel->setFixedHeight(38);
    auto *closeButton = new QPushButton(QStringLiteral("Закрыть"), lowerPanel);
    closeButton->setFont(ProgramFont(kLinePixels));
    closeButton->setGeometry(144, 6, 129, 25);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(lowerPanel);

    AlignForm(this);
}

void TAboutForm::Proceed()
{
    ProgVerLabel->setText(GetProgVerString());
    exec();
}
