#include "settings/ui/MainForm.h"
#include "settings/ui/MeditationRecord.h"

#include "journal/PracticeJournal.h"
#include "journal/ui/PracticeJournalForm.h"
#include "player/MeditationPlayer.h"
#include "player/PlayerWaits.h"
#include "player/ProgressFormat.h"
#include "playlists/CollectionLoader.h"
#include "playlists/ui/AutoMusicListsUpdateForm.h"
#include "playlists/ui/Mp3FilesListsForm.h"
#include "settings/OptionsLoader.h"
#include "settings/SettingsFileLoader.h"
#include "shell/DesktopNotifier.h"
#include "shell/Errors.h"
#include "shell/MprisService.h"
#include "shell/Helpers.h"
#include "shell/ui/FocusRing.h"
#include "shell/PowerOff.h"
#include "shell/SleepInhibitor.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/PositionScrollBar.h"
#include "shell/ui/PowerOffCountdown.h"
#include "shell/ui/ProgramFont.h"
#include "shell/ui/ProgressTextLabel.h"
#include "voices/VoiceLibrary.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QShortcut>
#include <QStyle>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kClientWidth = 963;
constexpr int kClientHeight = 540;
constexpr int kTextPixels = 15;
constexpr int kSmallTextPixels = 11;
constexpr double kVoiceCoef = 0.4;
const int kExitPauseMs = 50;
constexpr int kFirstStartVolume = 50;
constexpr int kListMinimumCharacters = 20;
constexpr int kLongestMeditationMin = 999;
constexpr int kSavedNoticeMs = 3000;

// Gives `label` the size its widest text needs (at least its minimum width) and the row's
// height, once: a label of fixed size does not make the window lay itself out again at
// every new text, which the percentage shows up to 17 times a second.
void FixSizeForWidestText(QLabel *label, const QString &widestText, int rowHeight)
{
    const QString shown = label->text();
    label->setText(widestText);
    const int width = std::max(label->minimumWidth(), label->sizeHint().width());
    label->setText(shown);
    label->setFixedSize(width, rowHeight);
}

QString noSoundItem()
{
    return QStringLiteral("(Без звука)");
}

QScrollBar *horizontalBar(int minimum, int maximum, QWidget *parent)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(minimum, maximum);
    bar->setValue(minimum);
    bar->setMinimumWidth(150);
    // Qt's scroll bars take no focus by default; these are settings, moved by the arrow keys.
    bar->setFocusPolicy(Qt::StrongFocus);
    // Right and Page Up make the value larger, as on a slider.
    bar->setInvertedControls(false);
    return bar;
}

QLineEdit *numberEdit(const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setFixedWidth(70);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

// One "label, edit, bar" row of the reminder panel or of the length row.
QWidget *settingRow(const QString &caption, QLineEdit *edit, QScrollBar *bar, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(caption, row);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addStretch();
    const QString name = QString(caption).remove(QLatin1Char('&'));
    edit->setAccessibleName(name);
    bar->setAccessibleName(name);
    layout->addWidget(edit);
    layout->addWidget(bar);
    bar->setFixedWidth(300);
    return row;
}

// Reads an integer edit the way the options take it: the typed number, within the field's
// range (the edits accept digits only); anything else is a conversion error naming the field.
qint32 editNumber(const QLineEdit *edit)
{
    bool ok = false;
    const qint32 value = edit->text().trimmed().toInt(&ok);
    const auto *range = qobject_cast<const QIntValidator *>(edit->validator());
    if (!ok || (range && (value < range->bottom() || value > range->top()))) {
        const QString limits = range ? QStringLiteral(" от %1 до %2").arg(range->bottom()).arg(range->top()) : QString();
        throw ConversionError(QStringLiteral("Поле «%1»: нужно целое число%2, а не «%3».")
                                  .arg(edit->accessibleName(), limits, edit->text()));
    }
    return value;
}

// Picks `index` when the list has it, else the first entry.
void selectOrFirst(QComboBox *combo, qint64 index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? int(index) : 0);
}

int volumePosition(double volume, int maximum)
{
    if (!std::isfinite(volume))
        return 0;
    const double scaled = std::clamp(volume * maximum, -1.0, maximum + 1.0);
    return static_cast<int>(std::nearbyint(scaled));
}

} // namespace

TMainForm::TMainForm(TMainFormEnvironment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment)), m_waits(std::make_unique<PlayerWaits>())
{
    m_clock.start();
    if (!m_env.showMessage)
        m_env.showMessage = [this](const QString &text) { ShowNesvaraMessage(this, text); };
    if (!m_env.reportError)
        m_env.reportError = [this](const QString &text) { ShowNesvaraError(this, text); };
    if (!m_env.runShutdown)
        m_env.runShutdown = [this] { StartPowerOffCountdown(); };
    const QDBusConnection bus = m_env.systemBus ? *m_env.systemBus : QDBusConnection::systemBus();
    m_commands = m_env.commands ? m_env.commands : std::make_shared<ProcessRunner>();
    m_inhibitor = std::make_unique<SleepInhibitor>(bus);
    m_powerOff = std::make_unique<PowerOff>(bus, *m_commands);
    connect(m_powerOff.get(), &PowerOff::failed, this, [this](const QString &text) { m_env.showMessage(text); });
    if (!m_env.askYesNoCancel)
        m_env.askYesNoCancel = [this](const QString &question) { return AskNesvaraYesNoCancel(this, question); };
    FMusicLists = std::make_unique<TMp3FilesList>();
    FBackSoundsLists = std::make_unique<TMp3FilesList>();
    BuildControls();
    SetKeyboardOrder();
    NameControls();
    LimitNumberFields();
    InstallFocusRing(this);
    ConnectHandlers();
    FormCreate();
}

TMainForm::~TMainForm()
{
    if (m_countdown)
        m_countdown->reject();
    m_journalForm.reset();
    if (m_player)
        m_player->ReleaseAudio();
}

void TMainForm::SetDialogs(TMp3FilesListsForm *listsEditor, TAutoMusicListsUpdateForm *autoUpdate)
{
    m_listsEditor = listsEditor;
    m_autoUpdate = autoUpdate;
}

// ---- building the window ------------------------------------------------------------

void TMainForm::BuildControls()
{
    setWindowTitle(QStringLiteral("Nesvara"));
    setFont(ProgramFont(kTextPixels));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(6);
    layout->addWidget(BuildTopPanel());
    layout->addWidget(BuildLengthPanel());
    layout->addWidget(BuildRemindersPanel());
    layout->addWidget(BuildMainPanel(), 1);
    layout->addWidget(BuildProgressPanel());
    layout->addWidget(BuildButtonsPanel());
    KeepListsNarrow();
    resize(kClientWidth, kClientHeight);
}

// A long playlist name must not widen the window past a small screen.
void TMainForm::KeepListsNarrow()
{
    for (QComboBox *combo : findChildren<QComboBox *>()) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(kListMinimumCharacters);
    }
}

// Once the layout has settled: no larger than the screen's work area, then centred.
void TMainForm::FitOnScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    const QSize room = area.size() - frame;
    const QSize wanted = QSize(kClientWidth, kClientHeight).expandedTo(minimumSizeHint());
    resize(wanted.boundedTo(room));
    const QSize outer = size() + frame;
    move(area.topLeft() + QPoint(std::max(0, (area.width() - outer.width()) / 2),
                                 std::max(0, (area.height() - outer.height()) / 2)));
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_placedOnScreen)
        return;
    m_placedOnScreen = true;
    FitOnScreen();
    // The window manager adds its frame after the first showing; centre again with it.
    QTimer::singleShot(0, this, [this] { FitOnScreen(); });
}

QWidget *TMainForm::BuildTopPanel()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    MedTechinkCombo = new QComboBox(panel);
    MedInstructorCombo = new QComboBox(panel);
    auto *label1 = new QLabel(QStringLiteral("&Техника медитации:"), panel);
    auto *label2 = new QLabel(QStringLiteral("&Голос инструктора:"), panel);
    label1->setBuddy(MedTechinkCombo);
    label2->setBuddy(MedInstructorCombo);
    HelpButton = new QToolButton(panel);
    HelpButton->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    HelpButton->setIconSize(QSize(28, 28));
    HelpButton->setAutoRaise(true);
    HelpButton->setToolTip(QStringLiteral("Справка"));
    HelpPopup = new QMenu(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(MedTechinkCombo, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(MedInstructorCombo, 1, 1);
    grid->addWidget(HelpButton, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    MedInstructorCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    MedTechinkCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return panel;
}

QWidget *TMainForm::BuildLengthPanel()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    MedLenEdit = numberEdit(QStringLiteral("12"), panel);
    MedLenScroll = horizontalBar(1, 60, panel);
    VolumeScroll = horizontalBar(0, 100, panel);
    auto *lengthLabel = new QLabel(QStringLiteral("&Продолжительность медитации, мин."), panel);
    lengthLabel->setBuddy(MedLenEdit);
    row->addWidget(lengthLabel);
    row->addWidget(MedLenEdit);
    row->addWidget(MedLenScroll);
    row->addSpacing(24);
    auto *volumeLabel = new QLabel(QStringLiteral("&Общая громкость:"), panel);
    volumeLabel->setBuddy(VolumeScroll);
    row->addWidget(volumeLabel);
    row->addWidget(VolumeScroll, 1);
    return panel;
}

QWidget *TMainForm::BuildRemindersPanel()
{
    AnyRemindersPanel = new QWidget(this);
    AnyRemindersPanel->setFixedHeight(105);
    // The panel keeps its place when hidden, so choosing a technique never resizes the window.
    QSizePolicy keepPlace = AnyRemindersPanel->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    AnyRemindersPanel->setSizePolicy(keepPlace);
    auto *rows = new QVBoxLayout(AnyRemindersPanel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    RemindIntervalTech1Edit = numberEdit(QStringLiteral("90"), AnyRemindersPanel);
    RemindIntervalTech1Scroll = horizontalBar(1, 600, AnyRemindersPanel);
    ConcIntDurEdit = numberEdit(QStringLiteral("90"), AnyRemindersPanel);
    ConcIntDurScroll = horizontalBar(1, 120, AnyRemindersPanel);
    RemindIntervalTech2Edit = numberEdit(QStringLiteral("90"), AnyRemindersPanel);
    RemindIntervalTech2Scroll = horizontalBar(1, 600, AnyRemindersPanel);
    RemindIntervalTech5Edit = numberEdit(QStringLiteral("90"), AnyRemindersPanel);
    RemindIntervalTech5Scroll = horizontalBar(1, 400, AnyRemindersPanel);
    RemindTech1IntPanel = settingRow(QStringLiteral("&Средний интервал между напоминаниями, сек."),
                                     RemindIntervalTech1Edit, RemindIntervalTech1Scroll, AnyRemindersPanel);
    RemindConcPanel = settingRow(QStringLiteral("Средняя &длина периода концентрации, сек."),
                                 ConcIntDurEdit, ConcIntDurScroll, AnyRemindersPanel);
    RemindTech2IntPanel = settingRow(QStringLiteral("&Интервал между вдохом и выдохом, мсек"),
                                     RemindIntervalTech2Edit, RemindIntervalTech2Scroll, AnyRemindersPanel);
    RemindTech5IntPanel = settingRow(QStringLiteral("&Интервал между фразами, мсек"),
                                     RemindIntervalTech5Edit, RemindIntervalTech5Scroll, AnyRemindersPanel);
    // The visible rows stack from the top in this order.
    for (QWidget *row : {RemindTech1IntPanel, RemindTech2IntPanel, RemindTech5IntPanel, RemindConcPanel})
        rows->addWidget(row);
    rows->addStretch();
    return AnyRemindersPanel;
}

QWidget *TMainForm::BuildMainPanel()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(24);

    PlayNidraCheck = new QCheckBox(QStringLiteral("Проигрывать подготов&ку к медитации"), panel);
    NidraTypeCombo = new QComboBox(panel);
    PlayMusicCheck = new QCheckBox(QStringLiteral("Проигрывать &музыкальный файл"), panel);
    PlayMusicCheck->setChecked(true);
    PlayMusicBeforeCombo = new QComboBox(panel);
    PlayMusicBeforeCombo->addItems({QStringLiteral("В самом начале"),
                                    QStringLiteral("После подготовки к медитации"),
                                    QStringLiteral("После медитации")});
    MusFileLabel = new QLabel(QStringLiteral("Музыкальный &файл:"), panel);
    MusFileCombo = new QComboBox(panel);
    MusFileLabel->setBuddy(MusFileCombo);
    MusicFileButton = new QToolButton(panel);
    MusicFileButton->setText(QStringLiteral("1"));
    MusicFileButton->setCheckable(true);
    MusicFileButton->setAutoRaise(true);
    MusicFileButton->setFont(ProgramFont(kSmallTextPixels));
    MusicFileButton->setFixedWidth(28);
    MusicFileButton->setToolTip(QStringLiteral("Выбрать один файл плейлиста"));
    MusFilePopup = new QMenu(this);
    AlterMusFilesListButton = new QPushButton(QStringLiteral("&Редактировать список муз. файлов"), panel);
    AutoUpdateMusListsButton = new QToolButton(panel);
    AutoUpdateMusListsButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    AutoUpdateMusListsButton->setAutoRaise(true);
    AutoUpdateMusListsButton->setToolTip(QStringLiteral("Автообновление списка плейлистов музыки"));

    NoPlayIntroductionToMed = new QCheckBox(QStringLiteral("Не проигрывать &вступление к медитации"), panel);
    NoPlayIntroductionToMed->setChecked(true);
    PlaySoundCheck = new QCheckBox(QStringLiteral("Проигрывать фоновый &звук во время медитации"), panel);
    PlaySoundCheck->setChecked(true);
    SwitchOffCompCheck = new QCheckBox(QStringLiteral("Вык&лючить компьютер после медитации"), panel);
    SwitchOffCompCheck->setChecked(true);
    NotifyCheck = new QCheckBox(QStringLiteral("Сообщить о конце медитации, если окно в фоне"), panel);
    NotifyCheck->setChecked(true);
    BackSoundsFileLabel = new QLabel(QStringLiteral("Зв&уковой файл:"), panel);
    SoundFileCombo = new QComboBox(panel);
    BackSoundsFileLabel->setBuddy(SoundFileCombo);
    AlterBackSoundsFilesListButton = new QPushButton(QStringLiteral("Р&едактировать список звуковых файлов"), panel);

    auto *musicFileRow = new QHBoxLayout;
    musicFileRow->addWidget(MusFileCombo, 1);
    musicFileRow->addWidget(MusicFileButton);
    auto *musicEditRow = new QHBoxLayout;
    musicEditRow->addWidget(AlterMusFilesListButton, 1);
    musicEditRow->addWidget(AutoUpdateMusListsButton);

    int row = 0;
    grid->addWidget(PlayNidraCheck, row, 0);
    grid->addWidget(NoPlayIntroductionToMed, row++, 1);
    grid->addWidget(NidraTypeCombo, row, 0);
    grid->addWidget(SwitchOffCompCheck, row++, 1);
    grid->addWidget(PlayMusicCheck, row, 0);
    grid->addWidget(PlaySoundCheck, row++, 1);
    grid->addWidget(PlayMusicBeforeCombo, row, 0);
    grid->addWidget(BackSoundsFileLabel, row++, 1);
    grid->addWidget(MusFileLabel, row, 0);
    grid->addWidget(SoundFileCombo, row++, 1);
    grid->addLayout(musicFileRow, row, 0);
    grid->addWidget(AlterBackSoundsFilesListButton, row++, 1);
    grid->addLayout(musicEditRow, row, 0);
    grid->addWidget(NotifyCheck, row++, 1);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return panel;
}

QWidget *TMainForm::BuildProgressPanel()
{
    constexpr int kRowHeight = 36;
    auto *panel = new QWidget(this);
    panel->setFixedHeight(kRowHeight);
    // The bar only shows progress: the panel never takes input.
    panel->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel->setFocusPolicy(Qt::NoFocus);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    ProgressScroll = new TPositionScrollBar(Qt::Horizontal, panel);
    ProgressScroll->setRange(0, kProgressMaximum);
    ProgressScroll->setEnabled(false);
    PercentLabel = new TProgressTextLabel(QStringLiteral("0.0%"), QStringLiteral("0123456789.,%"), panel);
    PercentLabel->setFont(ProgramFont(kSmallTextPixels));
    PercentLabel->setMinimumWidth(60);
    PercentLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PercentLabel->setEnabled(false);
    RemainingLabel = new TProgressTextLabel(QString(), QStringLiteral("осталось 0123456789:"), panel);
    RemainingLabel->setFont(ProgramFont(kSmallTextPixels));
    RemainingLabel->setMinimumWidth(120);
    RemainingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    RemainingLabel->setAccessibleName(QStringLiteral("Оставшееся время"));
    FixSizeForWidestText(PercentLabel, FormatProgress(1.0, kProgressMaximum, QLocale::system()).text, kRowHeight);
    FixSizeForWidestText(RemainingLabel, FormatRemainingTime(qint64(kLongestMeditationMin) * 60'000), kRowHeight);
    // The sign that the settings were saved takes room from the bar, never from the buttons.
    m_savedLabel = new QLabel(panel);
    m_savedLabel->setFont(ProgramFont(kSmallTextPixels));
    m_savedLabel->hide();
    row->addWidget(ProgressScroll, 1);
    row->addWidget(m_savedLabel);
    row->addWidget(PercentLabel);
    row->addWidget(RemainingLabel);
    return panel;
}

QWidget *TMainForm::BuildButtonsPanel()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    Button1 = new QPushButton(QStringLiteral("Со&хранить настройки"), panel);
    JournalButton = new QPushButton(QStringLiteral("Дневник практики"), panel);
    JournalButton->setAccessibleName(QStringLiteral("Дневник практики"));
    JournalButton->setToolTip(QStringLiteral("Все медитации, серии дней подряд, экспорт и импорт"));
    Button2 = new QPushButton(QStringLiteral("&Начать"), panel);
    QFont bold = Button2->font();
    bold.setBold(true);
    Button2->setFont(bold);
    Button2->setDefault(true);
    StopButton = new QPushButton(QStringLiteral("Ост&ановить"), panel);
    StopButton->setEnabled(false);
    PauseButton = new QPushButton(QStringLiteral("Пауза"), panel);
    PauseButton->setEnabled(false);
    PauseButton->setToolTip(QStringLiteral("Приостановить медитацию (пробел)"));
    Button3 = new QPushButton(QStringLiteral("В&ыход"), panel);
    for (QPushButton *button : {Button1, Button2, PauseButton, StopButton, Button3, JournalButton})
        button->setMinimumWidth(std::max(140, button->sizeHint().width()));
    row->addWidget(Button1);
    row->addWidget(JournalButton);
    row->addStretch();
    row->addWidget(Button2);
    row->addWidget(PauseButton);
    row->addWidget(StopButton);
    row->addStretch();
    row->addWidget(Button3);
    return panel;
}

// Tab follows the reading order: the top rows, the left column, the right column, the
// buttons. Hidden reminder rows are skipped by Qt.
void TMainForm::SetKeyboardOrder()
{
    const QList<QWidget *> order = {
        MedTechinkCombo, MedInstructorCombo, HelpButton, MedLenEdit, MedLenScroll, VolumeScroll,
        RemindIntervalTech1Edit, RemindIntervalTech1Scroll, RemindIntervalTech2Edit, RemindIntervalTech2Scroll,
        RemindIntervalTech5Edit, RemindIntervalTech5Scroll, ConcIntDurEdit, ConcIntDurScroll,
        PlayNidraCheck, NidraTypeCombo, PlayMusicCheck, PlayMusicBeforeCombo, MusFileCombo, MusicFileButton,
        AlterMusFilesListButton, AutoUpdateMusListsButton,
        NoPlayIntroductionToMed, SwitchOffCompCheck, NotifyCheck, PlaySoundCheck, SoundFileCombo, AlterBackSoundsFilesListButton,
        Button1, JournalButton, Button2, PauseButton, StopButton, Button3};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    // Picture buttons too are reached by Tab.
    for (QToolButton *button : {HelpButton, MusicFileButton, AutoUpdateMusListsButton})
        button->setFocusPolicy(Qt::StrongFocus);
    HelpButton->setShortcut(QKeySequence(Qt::Key_F1));
}

// What a screen reader reads for the controls that have no label of their own; labelled
// fields take their label's text.
void TMainForm::NameControls()
{
    HelpButton->setAccessibleName(QStringLiteral("Справка"));
    MedLenEdit->setAccessibleName(QStringLiteral("Продолжительность медитации, мин."));
    MedLenScroll->setAccessibleName(QStringLiteral("Продолжительность медитации, мин."));
    VolumeScroll->setAccessibleName(QStringLiteral("Общая громкость"));
    // Lists without a label: on Linux a list's name is its current entry, so the screen
    // reader hears what it is from the description.
    for (const auto &[combo, name] : {std::pair{NidraTypeCombo, QStringLiteral("Подготовка к медитации")},
                                      std::pair{PlayMusicBeforeCombo, QStringLiteral("Когда играет музыка")}}) {
        combo->setAccessibleName(name);
        combo->setAccessibleDescription(name);
    }
    MusicFileButton->setAccessibleName(QStringLiteral("Один файл плейлиста"));
    AutoUpdateMusListsButton->setAccessibleName(QStringLiteral("Автообновление списка плейлистов музыки"));
    ProgressScroll->setAccessibleName(QStringLiteral("Ход медитации"));
}

// The number fields take digits only, within what the meditation can use: the bar's range,
// and for the length more than the bar's 60 minutes, as before.
void TMainForm::LimitNumberFields()
{
    const auto limit = [](QLineEdit *edit, int bottom, int top) {
        edit->setValidator(new QIntValidator(bottom, top, edit));
    };
    limit(MedLenEdit, MedLenScroll->minimum(), kLongestMeditationMin);
    limit(RemindIntervalTech1Edit, RemindIntervalTech1Scroll->minimum(), RemindIntervalTech1Scroll->maximum());
    limit(ConcIntDurEdit, ConcIntDurScroll->minimum(), ConcIntDurScroll->maximum());
    limit(RemindIntervalTech2Edit, RemindIntervalTech2Scroll->minimum() * 100, RemindIntervalTech2Scroll->maximum() * 100);
    limit(RemindIntervalTech5Edit, RemindIntervalTech5Scroll->minimum() * 100, RemindIntervalTech5Scroll->maximum() * 100);
}

void TMainForm::ConnectHandlers()
{
    const auto on = [this](auto *sender, auto signal, void (TMainForm::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    on(MedTechinkCombo, &QComboBox::activated, &TMainForm::MedTechinkComboClick);
    on(MedInstructorCombo, &QComboBox::activated, &TMainForm::MedInstructorComboClick);
    on(MusFileCombo, &QComboBox::activated, &TMainForm::MusFileComboChange);
    connect(MedLenScroll, &QScrollBar::valueChanged, this, [this] { UpdateMedLenEdit(); });
    for (QScrollBar *bar : {RemindIntervalTech1Scroll, RemindIntervalTech2Scroll, ConcIntDurScroll,
                            RemindIntervalTech5Scroll})
        connect(bar, &QScrollBar::valueChanged, this, [this] { UpdateRemIntEdit(); });
    // Only the user's moves refresh the options, not the bar being set from them.
    connect(VolumeScroll, &QScrollBar::valueChanged, this, [this] {
        if (!m_showingOptions)
            Guarded([this] { VolumeScrollScroll(); });
    });
    for (QCheckBox *check : {PlayMusicCheck, PlaySoundCheck, PlayNidraCheck, NoPlayIntroductionToMed,
                             SwitchOffCompCheck})
        on(check, &QCheckBox::clicked, &TMainForm::WatchCompsEnabled);
    on(MusicFileButton, &QToolButton::clicked, &TMainForm::MusicFileButtonClick);
    on(AlterMusFilesListButton, &QPushButton::clicked, &TMainForm::AlterMusFilesListButtonClick);
    on(AutoUpdateMusListsButton, &QToolButton::clicked, &TMainForm::AutoUpdateMusListsButtonClick);
    on(AlterBackSoundsFilesListButton, &QPushButton::clicked, &TMainForm::AlterBackSoundsFilesListButtonClick);
    on(HelpButton, &QToolButton::clicked, &TMainForm::HelpButtonClick);
    on(Button1, &QPushButton::clicked, &TMainForm::Button1Click);
    on(Button2, &QPushButton::clicked, &TMainForm::Button2Click);
    on(StopButton, &QPushButton::clicked, &TMainForm::StopButtonClick);
    on(PauseButton, &QPushButton::clicked, &TMainForm::PauseButtonClick);
    // Space pauses only while a meditation plays: otherwise it presses the focused control.
    m_pauseShortcut = new QShortcut(QKeySequence(Qt::Key_Space), this);
    m_pauseShortcut->setEnabled(false);
    connect(m_pauseShortcut, &QShortcut::activated, this, [this] { Guarded([this] { PauseButtonClick(); }); });
    m_remainingTimer.setSingleShot(true);
    connect(&m_remainingTimer, &QTimer::timeout, this, [this] { UpdateRemainingTime(); });
    on(Button3, &QPushButton::clicked, &TMainForm::Button3Click);
    on(JournalButton, &QPushButton::clicked, &TMainForm::JournalButtonClick);

    HelpPopup->addAction(QStringLiteral("Описание программы"), this,
                         [this] { emit helpRequested(QStringLiteral("index.html")); });
    HelpPopup->addAction(QStringLiteral("О медитации"), this,
                         [this] { emit helpRequested(QStringLiteral("techniques.html")); });
    HelpPopup->addAction(QStringLiteral("Об авторах"), this, [this] { emit aboutRequested(); });
}

void TMainForm::Guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const NesvaraError &error) {
        m_env.reportError(error.text());
    } catch (const std::exception &error) {
        m_env.reportError(QString::fromLocal8Bit(error.what()));
    }
}

// ---- creation and closing -----------------------------------------------------------

void TMainForm::FormCreate()
{
    AlignForm(this);
    PlayMusicBeforeCombo->setCurrentIndex(0);
    UpdateMedLenScroll();
    UpdateRemIntScroll();
    MedInstructorCombo->clear();
    for (TMedInstructor i = 0; i < kInstructorCount; ++i)
        MedInstructorCombo->addItem(MedInstructorName(i));
    MedInstructorCombo->setCurrentIndex(0);

    FOptions = TOptionsData();
    m_folders = m_env.folders ? *m_env.folders : PortableFolders(m_env.programDir);
    OptionsFile = m_folders.OptionsFile();
    const TOptionsLoadResult options = LoadOptionsAtStartUp(FOptions, OptionsFile);
    const bool optionsLoaded = options.fromFile;
    if (!options.errorText.isEmpty())
        m_env.showMessage(options.errorText);
    ExtraOptionsFile = m_folders.optionsDir + QStringLiteral("extraoptions.bin");
    const QString extraError = LoadSettingsFileOrReport(
        ExtraOptionsFile, [this](const QString &name) { FExtraOptions.LoadFromFile(name); });
    if (!extraError.isEmpty())
        m_env.showMessage(extraError);
    NotifyCheck->setChecked(FExtraOptions.FNotifyWhenDone);
    ShowAvailTechnicks();
    WatchCompsEnabled();

    const QString voiceProblems = VoiceLibraryProblemsText(LoadVoiceLibrary(m_folders.libraryDirs, FInstuctorVoices));
    if (!voiceProblems.isEmpty())
        m_env.showMessage(voiceProblems);
    UpdateNidrasFilesCombo();
    for (TInstructorVoices &voices : FInstuctorVoices)
        voices.VoiceCoef = kVoiceCoef;

    LoadCollections();
    m_journal = std::make_unique<PracticeJournal>(JournalFolder());
    if (optionsLoaded) {
        UpdateComponents();
    } else {
        ShowFirstStartChoices();
        UpdateOptions();
    }
    m_savedOptions = FOptions;

    PlayerHost &host = *this;
    m_player = std::make_unique<TMeditationPlayer>(*m_env.audio, host, FOptions, FInstuctorVoices,
                                                   *FMusicLists, *FBackSoundsLists);
    m_env.audio->SetStreamEndedCallback([this] { m_waits->Wake(); });
    if (!m_env.audio->Init())
        m_env.showMessage(QStringLiteral("Не получается инициализировать звуковую библиотеку!"));
    ConnectDesktop();
}

// ---- the desktop: media controls and notifications -----------------------------------

void TMainForm::ConnectDesktop()
{
    if (!m_env.sessionBus || !m_env.sessionBus->isConnected())
        return;
    m_notifier = std::make_unique<TDesktopNotifier>(*m_env.sessionBus);
    m_mpris = std::make_unique<TMprisService>();
    m_mpris->SetPositionSource([this] { return qint64(m_player->MeditationElapsedMs()) * 1000; });
    connect(m_mpris.get(), &TMprisService::commandRequested, this,
            [this](TMediaCommand command) { Guarded([this, command] { OnMediaCommand(command); }); });
    connect(m_mpris.get(), &TMprisService::volumeRequested, this, [this](double volume) {
        VolumeScroll->setValue(int(std::lround(volume * VolumeScroll->maximum())));
    });
    if (!m_mpris->Register(*m_env.sessionBus))
        m_mpris.reset();
    UpdateMediaState();
}

void TMainForm::OnMediaCommand(TMediaCommand command)
{
    switch (command) {
    case TMediaCommand::Play:
        if (m_player->FPaused)
            PauseButtonClick();
        else if (!m_player->FPlaying)
            Button2Click();
        break;
    case TMediaCommand::Pause:
        if (m_player->FPlaying && !m_player->FPaused)
            PauseButtonClick();
        break;
    case TMediaCommand::Stop: StopButtonClick(); break;
    case TMediaCommand::Raise:
        showNormal();
        raise();
        activateWindow();
        break;
    case TMediaCommand::Quit: Button3Click(); break;
    }
}

void TMainForm::UpdateMediaState(std::optional<TPlaybackStatus> status)
{
    if (!m_mpris)
        return;
    TMediaState state;
    state.status = status                ? *status
                   : !m_player->FPlaying ? TPlaybackStatus::Stopped
                   : m_player->FPaused ? TPlaybackStatus::Paused
                                       : TPlaybackStatus::Playing;
    state.meditationNumber = m_meditationNumber;
    state.technique = MedTechName(FOptions.FMedTechnique);
    state.instructor = MedInstructorName(FOptions.FMedInstructor);
    state.lengthUs = qint64(std::max(FOptions.FMedLenMin, 1)) * 60 * 1000 * 1000;
    state.volume = FOptions.FVolume;
    m_mpris->SetState(state);
}

void TMainForm::PauseButtonClick()
{
    m_player->PauseButtonClick();
    ShowPauseState(m_player->FPlaying);
    UpdateRemainingTime();
    UpdateMediaState();
}

void TMainForm::ShowPauseState(bool playing)
{
    const bool paused = playing && m_player->FPaused;
    PauseButton->setText(paused ? QStringLiteral("Продолжить") : QStringLiteral("Пауза"));
    PauseButton->setToolTip(paused ? QStringLiteral("Продолжить медитацию (пробел)")
                                   : QStringLiteral("Приостановить медитацию (пробел)"));
    PauseButton->setEnabled(playing);
    m_pauseShortcut->setEnabled(playing);
}

// Shown when the second changes, and frozen while paused.
void TMainForm::UpdateRemainingTime()
{
    m_remainingTimer.stop();
    const std::optional<quint64> left = m_player->MeditationTimeLeftMs();
    if (!left) {
        RemainingLabel->clear();
        return;
    }
    RemainingLabel->setText(FormatRemainingTime(qint64(*left)));
    if (!m_player->FPaused && *left > 0)
        m_remainingTimer.start(int(*left % 1000) + 1);
}

void TMainForm::NotifyIfUnseen()
{
    const TMedSummary &summary = m_player->LastSummary();
    if (!m_notifier || summary.end != TMedEnd::Completed || !NotifyCheck->isChecked() || isActiveWindow())
        return;
    m_notifier->NotifyMeditationDone(qint64((summary.meditatedMs + 30'000) / 60'000));
}

// Without an options file the controls start from what a new user should meet, and show
// exactly what will play: an audible volume (an options file that stores 0 keeps 0), the
// technique "Просто тишина", the first background sound under the ticked box, and the
// whole music playlist.
void TMainForm::ShowFirstStartChoices()
{
    const QScopedValueRollback showing(m_showingOptions, true);
    VolumeScroll->setValue(kFirstStartVolume);
    MedTechinkCombo->setCurrentIndex(0);
    if (SoundFileCombo->count() > 1)
        SoundFileCombo->setCurrentIndex(1);
    else
        PlaySoundCheck->setChecked(false);
    FOptions.FMusicSubFileNum = -1;
    ShowMusicFileButton();
    WatchCompsEnabled();
}

void TMainForm::LoadCollections()
{
    MusicListsFile = m_folders.MusicListsFile();
    // The default playlists play the library that came with the program.
    const QString programDir = m_folders.InstalledLibraryDir();
    const auto music = LoadCollectionOrDefaults(*FMusicLists, MusicListsFile,
                                                [&](TMp3FilesList &list) { list.SetBasicMusic(programDir); });
    if (!music.errorText.isEmpty())
        m_env.showMessage(music.errorText);
    updateMusicFilesListCombo();

    BackSounsListFile = m_folders.BackSoundsListFile();
    const auto sounds = LoadCollectionOrDefaults(*FBackSoundsLists, BackSounsListFile,
                                                 [&](TMp3FilesList &list) { list.SetBasicBackSounds(programDir); });
    if (!sounds.errorText.isEmpty())
        m_env.showMessage(sounds.errorText);
    updateBackSoundsFilesListCombo();
}

void TMainForm::FinishCreate()
{
    setWindowTitle(GetProgVerString());
}

// Changed settings are kept or dropped by the user's answer; "Отмена" stays in the program.
bool TMainForm::ConfirmLeaving()
{
    if (m_leavingConfirmed || !SettingsChanged())
        return true;
    const int answer = m_env.askYesNoCancel(QStringLiteral("Настройки изменены. Сохранить их?"));
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes) {
        bool saved = false;
        Guarded([this, &saved] {
            Button1Click();
            saved = true;
        });
        if (!saved)
            return false;
    }
    m_leavingConfirmed = true;
    return true;
}

// A field that holds no number counts as a change: leaving would lose it.
bool TMainForm::SettingsChanged()
{
    const TOptionsData shown = FOptions;
    try {
        UpdateOptions();
    } catch (const NesvaraError &) {
        FOptions = shown;
        return true;
    }
    const bool changed = !(FOptions == m_savedOptions);
    FOptions = shown;
    return changed;
}

void TMainForm::Button3Click()
{
    if (!ConfirmLeaving())
        return;
    m_player->ExitButtonClick();
    QCoreApplication::processEvents();
    QThread::msleep(kExitPauseMs);
    QCoreApplication::processEvents();
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // A running meditation winds up as after Stop. Changed settings are asked about first.
    if (!ConfirmLeaving()) {
        event->ignore();
        return;
    }
    if (m_countdown)
        m_countdown->reject();
    m_inhibitor->Release();
    m_player->ReleaseAudio();
    event->accept();
}

// ---- options and controls -----------------------------------------------------------

void TMainForm::UpdateOptions()
{
    FOptions.FMedInstructor = MedInstructorCombo->currentIndex() == 1 ? 1 : 0;
    FOptions.FMedTechnique =
        InstructorsInfo.GetTechForListIndex(FOptions.FMedInstructor, MedTechinkCombo->currentIndex());
    FOptions.FMedLenMin = editNumber(MedLenEdit);
    FOptions.FRemIntTech1Sec = editNumber(RemindIntervalTech1Edit);
    FOptions.FRemIntTech3MSec = editNumber(RemindIntervalTech2Edit);
    FOptions.FRemIntTech6MSec = editNumber(RemindIntervalTech5Edit);
    FOptions.FConcIntSec = editNumber(ConcIntDurEdit);
    FOptions.FVolume = double(VolumeScroll->value()) / VolumeScroll->maximum();
    FOptions.FPlayNidra = PlayNidraCheck->isChecked();
    FOptions.FNidraFileNum = NidraTypeCombo->currentIndex();
    FOptions.FPlayMusic = PlayMusicCheck->isChecked();
    FOptions.FMusicPosition = PlayMusicBeforeCombo->currentIndex();
    FOptions.FMusicFileNum = MusFileCombo->currentIndex();
    FOptions.FPlaySound = PlaySoundCheck->isChecked();
    FOptions.FBackSoundFileNum = SoundFileCombo->currentIndex();
    FOptions.FDoNotPlayIntro = NoPlayIntroductionToMed->isChecked();
    FOptions.FSwitchOffComputerAfterMeditation = SwitchOffCompCheck->isChecked();
}

void TMainForm::UpdateComponents()
{
    const QScopedValueRollback showing(m_showingOptions, true);
    MedInstructorCombo->setCurrentIndex(FOptions.FMedInstructor);
    MedTechinkCombo->setCurrentIndex(
        InstructorsInfo.GetListIndexForTech(FOptions.FMedInstructor, FOptions.FMedTechnique));

    MedLenScroll->setValue(FOptions.FMedLenMin);
    RemindIntervalTech1Scroll->setValue(FOptions.FRemIntTech1Sec);
    RemindIntervalTech2Scroll->setValue(FOptions.FRemIntTech3MSec / 100);
    RemindIntervalTech5Scroll->setValue(FOptions.FRemIntTech6MSec / 100);
    ConcIntDurScroll->setValue(FOptions.FConcIntSec);
    VolumeScroll->setValue(volumePosition(FOptions.FVolume, VolumeScroll->maximum()));

    PlayNidraCheck->setChecked(FOptions.FPlayNidra);
    selectOrFirst(NidraTypeCombo, FOptions.FNidraFileNum);
    PlayMusicCheck->setChecked(FOptions.FPlayMusic);
    PlayMusicBeforeCombo->setCurrentIndex(FOptions.FMusicPosition);
    selectOrFirst(MusFileCombo, FOptions.FMusicFileNum);
    PlaySoundCheck->setChecked(FOptions.FPlaySound);
    selectOrFirst(SoundFileCombo, FOptions.FBackSoundFileNum);
    ShowMusicFileButton();
    NoPlayIntroductionToMed->setChecked(FOptions.FDoNotPlayIntro);
    SwitchOffCompCheck->setChecked(FOptions.FSwitchOffComputerAfterMeditation);
    WatchCompsEnabled();
}

void TMainForm::ShowMusicFileButton()
{
    const bool wholePlaylist = FOptions.FMusicSubFileNum == -1;
    MusicFileButton->setChecked(!wholePlaylist);
    MusicFileButton->setText(wholePlaylist ? QStringLiteral("-")
                                           : QString::number(qint64(FOptions.FMusicSubFileNum) + 1));
}

void TMainForm::WatchCompsEnabled()
{
    using enum TMedTech;
    const TMedTech t = CurTech();
    RemindTech1IntPanel->setVisible(t == mtThoughtsReminds || t == mtBreathReminds || t == mtConcIntervals);
    RemindTech2IntPanel->setVisible(t == mtEachBreathReminds);
    RemindTech5IntPanel->setVisible(t == mtBodyPartsEnum || t == mtRandomBodyPartsEnum);
    RemindConcPanel->setVisible(t == mtConcIntervals);
    AnyRemindersPanel->setVisible(!RemindTech1IntPanel->isHidden() || !RemindTech2IntPanel->isHidden()
                                  || !RemindTech5IntPanel->isHidden() || !RemindConcPanel->isHidden());

    const bool music = PlayMusicCheck->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(PlayMusicBeforeCombo), static_cast<QWidget *>(MusFileLabel),
                             static_cast<QWidget *>(MusFileCombo), static_cast<QWidget *>(AlterMusFilesListButton)})
        control->setEnabled(music);
    const bool sound = PlaySoundCheck->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(BackSoundsFileLabel), static_cast<QWidget *>(SoundFileCombo),
                             static_cast<QWidget *>(AlterBackSoundsFilesListButton)})
        control->setEnabled(sound);
    NidraTypeCombo->setEnabled(PlayNidraCheck->isChecked());
}

TMedTech TMainForm::CurTech() const
{
    return InstructorsInfo.GetTechForListIndex(FOptions.FMedInstructor, MedTechinkCombo->currentIndex());
}

void TMainForm::ShowAvailTechnicks()
{
    MedTechinkCombo->clear();
    for (int j = 0; j < kTechCount; ++j) {
        const auto tech = static_cast<TMedTech>(j);
        if (InstructorsInfo.IsAvailable(FOptions.FMedInstructor, tech))
            MedTechinkCombo->addItem(MedTechName(tech));
    }
    MedTechinkCombo->setCurrentIndex(-1);
}

void TMainForm::updateMusicFilesListCombo()
{
    MusFileCombo->clear();
    for (qint32 i = 0; i < FMusicLists->flistscount; ++i)
        MusFileCombo->addItem(FMusicLists->at(i).name);
    MusFileCombo->setCurrentIndex(0);
}

void TMainForm::updateBackSoundsFilesListCombo()
{
    SoundFileCombo->clear();
    SoundFileCombo->addItem(noSoundItem());
    for (qint32 i = 0; i < FBackSoundsLists->flistscount; ++i)
        SoundFileCombo->addItem(FBackSoundsLists->at(i).name);
    SoundFileCombo->setCurrentIndex(0);
}

void TMainForm::UpdateNidrasFilesCombo()
{
    NidraTypeCombo->clear();
    const TMp3FilesList &nidras = *FInstuctorVoices.at(FOptions.FMedInstructor).FNidrasLists;
    for (qint32 i = 0; i < nidras.flistscount; ++i)
        NidraTypeCombo->addItem(nidras.at(i).name);
    NidraTypeCombo->setCurrentIndex(0);
}

void TMainForm::UpdateMedLenEdit()
{
    MedLenEdit->setText(QString::number(MedLenScroll->value()));
}

void TMainForm::UpdateRemIntEdit()
{
    RemindIntervalTech1Edit->setText(QString::number(RemindIntervalTech1Scroll->value()));
    ConcIntDurEdit->setText(QString::number(ConcIntDurScroll->value()));
    RemindIntervalTech2Edit->setText(QString::number(RemindIntervalTech2Scroll->value() * 100));
    RemindIntervalTech5Edit->setText(QString::number(RemindIntervalTech5Scroll->value() * 100));
}

void TMainForm::UpdateMedLenScroll()
{
    MedLenScroll->setValue(editNumber(MedLenEdit));
}

void TMainForm::UpdateRemIntScroll()
{
    // The concentration bar too starts from the reminder interval.
    RemindIntervalTech1Scroll->setValue(editNumber(RemindIntervalTech1Edit));
    ConcIntDurScroll->setValue(editNumber(RemindIntervalTech1Edit));
}

// ---- handlers -----------------------------------------------------------------------

void TMainForm::MedInstructorComboClick()
{
    const TMedTech remembered = CurTech();
    FOptions.FMedInstructor = MedInstructorCombo->currentIndex() == 1 ? 1 : 0;
    ShowAvailTechnicks();
    const int index = InstructorsInfo.GetListIndexForTech(FOptions.FMedInstructor, remembered);
    MedTechinkCombo->setCurrentIndex(index < 0 ? 0 : index);
    UpdateNidrasFilesCombo();
    WatchCompsEnabled();
}

void TMainForm::MedTechinkComboClick()
{
    WatchCompsEnabled();
}

void TMainForm::VolumeScrollScroll()
{
    UpdateOptions();
    UpdateMediaState();
}

void TMainForm::MusFileComboChange()
{
    FOptions.FMusicSubFileNum = -1;
    ShowMusicFileButton();
}

void TMainForm::MusicFileButtonClick()
{
    MusicFileButton->setChecked(true);
    MusFilePopup->clear();
    const int k = MusFileCombo->currentIndex();
    if (k >= 0 && k < FMusicLists->flistscount) {
        const QStringList &files = FMusicLists->at(k).mp3files;
        for (int i = 0; i < files.size(); ++i) {
            QString caption = files.at(i);
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            MusFilePopup->addAction(caption, this, [this, i] { MusicFileItemClick(i); });
        }
    }
    const QPoint local(MusicFileButton->x() + MusicFileButton->width() + 5, MusicFileButton->y());
    MusFilePopup->popup(MusicFileButton->parentWidget()->mapToGlobal(local));
}

void TMainForm::MusicFileItemClick(int tag)
{
    FOptions.FMusicSubFileNum = tag;
    ShowMusicFileButton();
}

void TMainForm::AfterMusicListsChanged()
{
    updateMusicFilesListCombo();
    selectOrFirst(MusFileCombo, FOptions.FMusicFileNum);
    FOptions.FMusicSubFileNum = -1;
    ShowMusicFileButton();
    WatchCompsEnabled();
}

void TMainForm::AlterMusFilesListButtonClick()
{
    if (m_listsEditor && m_listsEditor->EditList(*FMusicLists, MusicListsFile))
        AfterMusicListsChanged();
}

void TMainForm::AlterBackSoundsFilesListButtonClick()
{
    if (m_listsEditor && m_listsEditor->EditList(*FBackSoundsLists, BackSounsListFile)) {
        updateBackSoundsFilesListCombo();
        selectOrFirst(SoundFileCombo, FOptions.FBackSoundFileNum);
        WatchCompsEnabled();
    }
}

void TMainForm::AutoUpdateMusListsButtonClick()
{
    if (m_autoUpdate && m_autoUpdate->CheckUpdate(*FMusicLists, MusicListsFile))
        AfterMusicListsChanged();
}

void TMainForm::HelpButtonClick()
{
    hfExecPopup(HelpPopup, HelpButton);
}

void TMainForm::Button1Click()
{
    UpdateOptions();
    MakeFolderFor(OptionsFile);
    FOptions.SaveToFile(OptionsFile);
    FExtraOptions.FNotifyWhenDone = NotifyCheck->isChecked();
    FExtraOptions.SaveToFile(ExtraOptionsFile);
    m_savedOptions = FOptions;
    ShowSaved();
}

// A short sign beside the button that the save happened.
void TMainForm::ShowSaved()
{
    m_savedLabel->setText(QStringLiteral("Настройки сохранены."));
    m_savedLabel->show();
    QTimer::singleShot(kSavedNoticeMs, m_savedLabel, [label = m_savedLabel] { label->hide(); });
}

void TMainForm::Button2Click()
{
    if (m_player->FPlaying) { // a second Start only refreshes the options
        m_player->Button2Click();
        return;
    }
    UpdateOptions(); // a number edit holding no number ends it here, before anything plays
    m_startedMeditation = StartedMeditation(FOptions, FInstuctorVoices, *FBackSoundsLists,
                                            QDateTime::currentDateTime());
    // The computer stays awake from Start to the end of the meditation, however it ends.
    m_inhibitor->Acquire();
    const auto release = qScopeGuard([this] { m_inhibitor->Release(); });
    ++m_meditationNumber;
    try {
        m_player->Button2Click();
    } catch (...) {
        RecordMeditation();
        throw;
    }
    RecordMeditation();
    NotifyIfUnseen();
}

QString TMainForm::JournalFolder() const
{
    return m_folders.dataDir;
}

void TMainForm::RecordMeditation()
{
    if (!m_startedMeditation)
        return;
    const JournalEntry entry = FinishedMeditation(*m_startedMeditation, m_player->LastSummary());
    m_startedMeditation.reset();
    const PracticeJournal::Outcome outcome = m_journal->Record(entry);
    if (!outcome.message.isEmpty())
        m_env.showMessage(outcome.message);
    if (m_journalForm && m_journalForm->isVisible())
        m_journalForm->Reload();
}

void TMainForm::JournalButtonClick()
{
    if (!m_journalForm)
        m_journalForm = std::make_unique<TPracticeJournalForm>(*m_journal, this);
    m_journalForm->Proceed();
}

void TMainForm::StopButtonClick()
{
    m_player->StopButtonClick();
}

// ---- the player's host --------------------------------------------------------------

// QElapsedTimer runs on CLOCK_MONOTONIC, which stands still while the machine is suspended:
// should it sleep anyway, the meditation resumes where it was and counts only the time spent
// meditating.
quint64 TMainForm::TickCount()
{
    return static_cast<quint64>(m_clock.elapsed());
}

void TMainForm::ProcessMessages()
{
    m_waits->ProcessMessages();
}

void TMainForm::Sleep(int ms)
{
    m_waits->Sleep(ms);
}

void TMainForm::WaitForActivity()
{
    m_waits->WaitForActivity();
}

void TMainForm::ShowMessage(const QString &text)
{
    m_env.showMessage(text);
}

int TMainForm::SelectedMusicPlaylist()
{
    return MusFileCombo->currentIndex();
}

void TMainForm::ShowProgress(double progr)
{
    const TProgressDisplay display = FormatProgress(progr, ProgressScroll->maximum(), QLocale::system());
    // Only what shows something new is repainted.
    if (ProgressScroll->value() != display.position)
        ProgressScroll->setValue(display.position);
    if (PercentLabel->text() != display.text)
        PercentLabel->setText(display.text);
}

// Called as a meditation starts, before the player counts itself as playing.
void TMainForm::EnableStopButton()
{
    StopButton->setEnabled(true);
    ProgressScroll->setEnabled(true);
    ShowPauseState(true);
    UpdateMediaState(TPlaybackStatus::Playing);
}

void TMainForm::EnableProgressScroll()
{
    ProgressScroll->setEnabled(true);
    PercentLabel->setEnabled(true);
    UpdateRemainingTime();
}

void TMainForm::DisableProgressScroll()
{
    ShowProgress(0);
    ProgressScroll->setEnabled(false);
    PercentLabel->setEnabled(false);
    UpdateRemainingTime();
}

// Called as a meditation ends, before the player counts itself as no longer playing: Pause
// and its Space key go off here, or Space would stay taken from the focused button.
void TMainForm::DisableStopButton()
{
    StopButton->setEnabled(false);
    ProgressScroll->setEnabled(false);
    ShowPauseState(false);
    UpdateMediaState(TPlaybackStatus::Stopped);
}

void TMainForm::RunShutdownCommand()
{
    // The meditation is over: our own lock must not hold up the power-off.
    m_inhibitor->Release();
    // The computer may be off before the Start handler gets to write it.
    RecordMeditation();
    m_env.runShutdown();
}

PowerOffCountdown *TMainForm::Countdown() const
{
    return m_countdown;
}

void TMainForm::StartPowerOffCountdown()
{
    if (m_countdown)
        return;
    m_countdown = new PowerOffCountdown(this);
    m_countdown->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_countdown, &QDialog::accepted, m_powerOff.get(), &PowerOff::Start);
    m_countdown->open();
}
