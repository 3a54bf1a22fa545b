#pragma once

#include "interaction/FileChooser.h"

#include <QPointer>
#include <QWidget>

namespace fendrel::gui {

// The FileChooser of the windows: a modal file dialog over the given window.
class DialogFileChooser : public FileChooser {
public:
    explicit DialogFileChooser(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    QStringList choose(const FileRequest &request) override;

    // The dialog's form of a filter entry: "Bitmap (*.bmp *.BMP)". Globs are offered in both
    // letter cases, because names on this platform are case-sensitive and lab files often come
    // from Windows machines with upper-case extensions.
    static QString nameFilter(const FileFilter &filter);

private:
    QPointer<QWidget> m_parent;
    QString m_lastFolder; // where a dialog without a folder of its own opens
};

} // namespace fendrel::gui
