#pragma once

#include "startup/LanguageEntries.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace fendrel::gui {

// The two small windows that show how far a package operation has got. The caller puts its own
// text into the label, shows the window without blocking, lets the codec report into
// huffmanProgress and unloads the window when done.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    QProgressBar *ProgressBar1;

    // The label from the language table, the owner's caption, the icon, an empty bar, centred.
    void load(const QString &ownerCaption);
    // Shows the window and lets it paint before the work starts.
    void showNow();
    void unload();
    // The codec's progress event: moves the bar and lets the windows repaint.
    void huffmanProgress(qint16 percent);

    QLabel *label() const { return m_label; }
    // Enables Cancel for a new command.
    void beginCommand();
    // Whether Cancel was clicked since beginCommand(); the work asks between its steps and stops, leaving
    // every file as it was.
    bool cancelRequested() const { return m_cancelRequested; }

protected:
    ProgressWindow(const QString &windowName, const QString &labelName, LangEntry labelEntry);

private:
    QLabel *m_label;
    QPushButton *m_cancel;
    LangEntry m_labelEntry;
    bool m_cancelRequested = false;
};

// frmSaveStatus: shown while a package is compiled and compressed.
class SaveStatus : public ProgressWindow {
    Q_OBJECT
public:
    SaveStatus();
    QLabel *lblCompiling;
};

// frmProgress: shown while a package is expanded.
class Progress : public ProgressWindow {
    Q_OBJECT
public:
    Progress();
    QLabel *Label1;
};

} // namespace fendrel::gui
