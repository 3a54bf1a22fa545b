#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace fendrel::gui {

inline const QString kIconResource = QStringLiteral("AAA");

// An icon resource with every size drawn for it; a name the program does not carry gives a null icon.
QIcon iconResource(const QString &name);

// Gives a window the icon, and when toOwner is set also the top-level window that owns it.
void setIcon(QWidget *window, const QString &name = kIconResource, bool toOwner = true);

} // namespace fendrel::gui
