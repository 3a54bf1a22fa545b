#pragma once

#include "startup/LanguageEntries.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace fendrel::gui {

class AddLabs;

// The seven modes of the main window, each named by an English text that is also a
// language-table entry.
struct WindowModeName {
    QString name;
    LangEntry entry;
};
const QList<WindowModeName> &windowModeNames();

// The modes in the order of windowModeNames().
enum class WindowMode { AddLab, SaveLab, EditLab, SaveEditLab, AddSection, SaveSection, Cancel };
// The mode a name stands for, given in English or in the language table's words.
std::optional<WindowMode> windowModeNamed(const QString &name);

// Applies the column of the mode table that belongs to the name, given in English or in the
// language table's words. Any other name changes nothing and gives false.
bool applyWindowMode(AddLabs &window, const QString &mode);

// Grey (red, green and blue 192) marks a field that cannot be edited; the other colour is the
// platform's background for fields.
void setFieldBackground(QWidget *field, bool grey);
bool hasGreyBackground(const QWidget *field);

// A locked text box shows its text but takes no typing.
void setLocked(QWidget *field, bool locked);
bool isLocked(const QWidget *field);

// Every control the mode table names, each once, in the order the table first names it.
QStringList windowModeControlNames();

} // namespace fendrel::gui
