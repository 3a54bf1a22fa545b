#include "gui/Icon.h"

#include <QDir>
#include <QWidget>

// The resource lives in a static library, whose registration the linker would otherwise drop.
static void registerIconResources()
{
    Q_INIT_RESOURCE(fendrel);
}

namespace fendrel::gui {

QIcon iconResource(const QString &name)
{
    static const bool registered = (registerIconResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    const QDir folder(QStringLiteral(":/icons/") + name);
    for (const QString &file : folder.entryList(QDir::Files))
        icon.addFile(folder.filePath(file));
    return icon;
}

void setIcon(QWidget *window, const QString &name, bool toOwner)
{
    if (!window)
        return;
    const QIcon icon = iconResource(name);
    if (toOwner) {
        QWidget *owner = window->window();
        while (owner->parentWidget())
            owner = owner->parentWidget()->window();
        owner->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}

} // namespace fendrel::gui
