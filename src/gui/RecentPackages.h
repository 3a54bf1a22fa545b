#pragma once

#include <QMenu>
#include <QString>
#include <QStringList>

namespace fendrel::gui {

// The packages last opened or compiled, newest first, kept in the per-user settings.
namespace recentPackages {
constexpr qsizetype kLimit = 8;
// The list as stored, without the packages that are no longer there (which are dropped for good).
QStringList existing();
void add(const QString &packagePath);
void clear();
} // namespace recentPackages

// File > Open Recent: the recent packages, read afresh each time it opens, and Clear.
class RecentPackagesMenu : public QMenu {
    Q_OBJECT
public:
    explicit RecentPackagesMenu(QWidget *parent = nullptr);
    // Fills the menu from the settings; done when it is about to show.
    void refresh();

Q_SIGNALS:
    void packageChosen(const QString &packagePath);
};

} // namespace fendrel::gui
