#include "shell/ui/AboutForm.h"

#include "shell/Helpers.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/ProgramFont.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 434;
constexpr int kClientHeight = 324;
constexpr int kLinePixels = 19;
constexpr int kLineHeight = 23;

enum class Tone { Black, Green };

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
