#include "gui/SubMain.h"

#include "gui/AddLabs.h"
#include "catalogue/Catalogue.h"
#include "gui/DialogFileChooser.h"
#include "gui/Icon.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/Splash.h"
#include "environment/Environment.h"
#include "startup/Settings.h"

#include <QApplication>

#include <cstdio>

namespace fendrel::gui {

int Main(int &argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fendrel"));
    QApplication::setApplicationVersion(QStringLiteral(FENDREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("fendrel"));
    QApplication::setWindowIcon(iconResource(kIconResource));

    MessageBoxPrompter prompter;
    QString error;
    if (!prepareEnvironment({}, &error)) {
        // Without the language table there are no captions, so this is said in plain English.
        std::fprintf(stderr, "fendrel: %s\n", error.toLocal8Bit().constData());
        prompter.show(error, MessageIcon::Critical, MessageButtons::Ok, QStringLiteral("Fendrel"));
        return 1;
    }

    if (qEnvironmentVariable("FENDREL_NO_SPLASH") != u"1")
        showSplash(5000);

    const bool wizard = getWizardSetting() == 1;
    DialogFileChooser chooser;
    Catalogue catalogue;
    AddLabs window(catalogue, prompter, chooser);
    prompter.setParent(&window);
    chooser.setParent(&window);
    window.show();
    if (wizard)
        window.showWizard();
    return QApplication::exec();
}

} // namespace fendrel::gui
