#include "shell/ProgramWindows.h"

#include "shell/ui/ProgramFont.h"
#include "voices/Techniques.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

constexpr int kTextPixels = 14;

} // namespace

void PrepareApplication(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    QApplication::setFont(ProgramFont(kTextPixels));
    InstructorsInfo.Init();
}

TProgramWindows::TProgramWindows(TMainFormEnvironment environment)
    : mainForm(std::move(environment))
    , chooseFolderForm(&mainForm)
    , listsEditor(&chooseFolderForm, &mainForm)
    , aboutForm(&mainForm)
    , autoUpdateForm(&mainForm)
    , helpForm(&mainForm)
{
    mainForm.SetDialogs(&listsEditor, &autoUpdateForm);
    QObject::connect(&mainForm, &TMainForm::aboutRequested, &aboutForm, &TAboutForm::Proceed);
    QObject::connect(&mainForm, &TMainForm::helpRequested, &helpForm, &THelpForm::ShowPage);
    mainForm.FinishCreate();
}
