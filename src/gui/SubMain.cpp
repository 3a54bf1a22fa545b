#include "gui/SubMain.h"

#include "gui/AddLabs.h"
#include "catalogue/Catalogue.h"
#include "gui/DialogFileChooser.h"
#include "gui/Icon.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/PackageHandOff.h"
#include "gui/Splash.h"
#include "environment/Environment.h"
#include "io/FolderLock.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

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

    // "fendrel FILE.lab", as the desktop starts it for a package.
    const QStringList arguments = QApplication::arguments().mid(1);
    const QString package = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).absoluteFilePath();

    // One window per data folder writes to it; a second one may look but not touch.
    FolderLock lock(folders().appData);
    QString readOnlyBecause;
    QString question;
    switch (lock.tryLock()) {
    case FolderLock::Outcome::Held: break;
    case FolderLock::Outcome::HeldElsewhere:
        // The window that holds the folder opens the package; this process has nothing left to do.
        if (!package.isEmpty() && PackageHandOff::handTo(folders().appData, package))
            return 0;
        readOnlyBecause = (lock.holder().isEmpty() ? QStringLiteral("another Fendrel window") : lock.holder())
            + QStringLiteral(" holds it");
        question = langText(LangEntry::DataFolderInUseQuestion)
                       .arg(QDir::toNativeSeparators(folders().appData), lock.holder().isEmpty() ? QStringLiteral("another Fendrel window") : lock.holder());
        break;
    case FolderLock::Outcome::Failed:
        readOnlyBecause = QStringLiteral("its lock file cannot be made");
        question = lock.failure() + langText(LangEntry::DataFolderUnlockableQuestion);
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
    if (!readOnlyBecause.isEmpty())
        window.setReadOnly(readOnlyBecause);
    PackageHandOff handOff(folders().appData);
    if (readOnlyBecause.isEmpty() && handOff.listen()) {
        QObject::connect(&handOff, &PackageHandOff::packageHanded, &window, [&window](const QString &path) {
            window.raise();
            window.activateWindow();
            window.openPackage(path);
        });
    }
    window.show();
    // Asked over the window, which is read-only already: the choice is whether to keep it.
    if (!question.isEmpty()
        && prompter.show(question, MessageIcon::Question, MessageButtons::YesNo, QStringLiteral("Fendrel")) != MessageAnswer::Yes)
        return 0;
    // The wizard would replace the catalogue: it waits until recovered changes are answered for.
    const bool restored = window.offerRecovery();
    // The package named at start is opened once the window stands.
    if (!package.isEmpty()) {
        window.openPackage(package);
        return QApplication::exec();
    }
    if (wizard && !window.isReadOnly() && !restored)
        window.showWizard();
    return QApplication::exec();
}

} // namespace fendrel::gui
