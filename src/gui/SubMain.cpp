#include "gui/SubMain.h"

#include "gui/AddLabs.h"
#include "catalogue/Catalogue.h"
#include "gui/DialogFileChooser.h"
#include "gui/Icon.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/Splash.h"
#include "environment/Environment.h"
#include "io/FolderLock.h"
#include "startup/Folders.h"
#include "startup/Settings.h"

#include <QApplication>
#include <QDir>

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

    // One window per data folder writes to it; a second one may look but not touch.
    FolderLock lock(folders().appData);
    QString holder;
    switch (lock.tryLock()) {
    case FolderLock::Outcome::Held: break;
    case FolderLock::Outcome::HeldElsewhere:
        holder = lock.holder().isEmpty() ? QStringLiteral("another Fendrel window") : lock.holder();
        if (prompter.show(QStringLiteral("The data folder %1 is in use by %2.\n\nOpen it read-only? You can look at the "
                                         "catalogue, but nothing can be saved, compiled or opened. Choose No to quit.")
                              .arg(QDir::toNativeSeparators(folders().appData), holder),
                          MessageIcon::Question, MessageButtons::YesNo, QStringLiteral("Fendrel"))
            != MessageAnswer::Yes)
            return 0;
        break;
    case FolderLock::Outcome::Failed:
        holder = QStringLiteral("nobody (its lock file cannot be made)");
        prompter.show(lock.failure() + QStringLiteral(".\n\nThe data folder opens read-only."), MessageIcon::Exclamation,
                      MessageButtons::Ok, QStringLiteral("Fendrel"));
        break;
    }

    if (qEnvironmentVariable("FENDREL_NO_SPLASH") != u"1")
        showSplash(5000);

    const bool wizard = getWizardSetting() == 1;
    DialogFileChooser chooser;
    Catalogue catalogue;
    AddLabs window(catalogue, prompter, chooser);
    prompter.setParent(&window);
    chooser.setParent(&window);
    if (!holder.isEmpty())
        window.setReadOnly(holder);
    window.show();
    if (wizard && !window.isReadOnly())
        window.showWizard();
    return QApplication::exec();
}

} // namespace fendrel::gui
