#include "gui/RecentPackages.h"

#include "startup/LanguageTable.h"
#include "startup/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace fendrel::gui {

namespace recentPackages {

QStringList existing()
{
    const QStringList stored = getRecentPackages();
    QStringList kept;
    for (const QString &path : stored) {
        if (QFileInfo(path).isFile())
            kept << path;
    }
    if (kept != stored)
        saveRecentPackages(kept);
    return kept;
}

void add(const QString &packagePath)
{
    const QString path = QDir::cleanPath(QFileInfo(packagePath).absoluteFilePath());
    QStringList paths = getRecentPackages();
    paths.removeAll(path);
    paths.prepend(path);
    saveRecentPackages(paths.mid(0, kLimit));
}

void clear()
{
    saveRecentPackages({});
}

} // namespace recentPackages

RecentPackagesMenu::RecentPackagesMenu(QWidget *parent) : QMenu(langText(LangEntry::OpenRecentCaption), parent)
{
    setObjectName(QStringLiteral("menuOpenRecent"));
    connect(this, &QMenu::aboutToShow, this, &RecentPackagesMenu::refresh);
}

void RecentPackagesMenu::refresh()
{
    clear();
    const QStringList paths = recentPackages::existing();
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        // "&1 Net.lab": the number is the key; an "&" in the name is shown, not taken as one.
        const QString name = QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&"));
        QAction *action = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { Q_EMIT packageChosen(path); });
    }
    if (paths.isEmpty())
        addAction(langText(LangEntry::NoRecentPackagesText))->setEnabled(false);
    addSeparator();
    QAction *clearAction = addAction(langText(LangEntry::ClearRecentCaption), this, [] { recentPackages::clear(); });
    clearAction->setObjectName(QStringLiteral("actionClearRecent"));
    clearAction->setEnabled(!paths.isEmpty());
}

} // namespace fendrel::gui
