// Start-up: seeds the random generator, installs the assertion handler, creates the windows
// once each in their fixed order and runs the message loop until the main window closes.

#include "player/SdlMpg123Audio.h"
#include "playlists/ui/AutoMusicListsUpdateForm.h"
#include "playlists/ui/ChooseFolderForm.h"
#include "playlists/ui/Mp3FilesListsForm.h"
#include "settings/ui/MainForm.h"
#include "shell/Assert.h"
#include "shell/Helpers.h"
#include "shell/ui/AboutForm.h"
#include "shell/ui/NesvaraApplication.h"
#include "shell/ui/ProgramFont.h"
#include "voices/Techniques.h"

#include <QDesktopServices>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QUrl>

namespace {

const char *const kWebSite = "http://www.nesvara.example";
constexpr int kTextPixels = 14;

void installRussianTranslation(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

void showAssertion(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

int main(int argc, char **argv)
{
    SeedRandomFromClock();
    TNesvaraApplication app(argc, argv);
    InstallAssertPresenter(showAssertion);
    installRussianTranslation(app);
    QApplication::setFont(ProgramFont(kTextPixels));
    InstructorsInfo.Init();

    TMainFormEnvironment environment;
    environment.programDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    environment.audio = std::make_unique<SdlMpg123Audio>();
    environment.reportError = TNesvaraApplication::ShowErrorReport;
    TMainForm mainForm(std::move(environment));
    // The editor is handed the folder chooser it uses, so the chooser comes first.
    TChooseFolderForm chooseFolderForm(&mainForm);
    TMp3FilesListsForm listsEditor(&chooseFolderForm, &mainForm);
    TAboutForm aboutForm(&mainForm);
    TAutoMusicListsUpdateForm autoUpdateForm(&mainForm);
    mainForm.SetDialogs(&listsEditor, &autoUpdateForm);

    QObject::connect(&mainForm, &TMainForm::aboutRequested, &aboutForm, &TAboutForm::Proceed);
    QObject::connect(&mainForm, &TMainForm::webPageRequested, &mainForm, [](const QString &path) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSite) + path));
    });

    mainForm.FinishCreate();
    mainForm.show();
    return app.exec();
}
