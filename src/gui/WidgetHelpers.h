#pragma once

#include "interaction/FileChooser.h"

#include <QLabel>
#include <QString>
#include <QWidget>

#include <utility>

namespace fendrel {
class Prompter;
}

namespace fendrel::gui {

// A widget created under its control name, so that tests and styles find it by objectName.
template <typename T, typename... Args>
T *named(QWidget *parent, const char16_t *name, Args &&...args)
{
    auto *widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromUtf16(name));
    return widget;
}

// A label that shows a chosen file's name like a read-only field.
QLabel *fileLabel(QWidget *parent, const char16_t *name);

inline FileFilter filter(const char16_t *description, const char16_t *pattern)
{
    return {QString::fromUtf16(description), QString::fromUtf16(pattern)};
}

// Tells the user why a typed or chosen value cannot be kept by the catalogue file and puts the
// focus back on its field; false when the value can be kept.
bool refuseUncarriable(Prompter &prompter, const QString &value, QWidget *field);

} // namespace fendrel::gui
