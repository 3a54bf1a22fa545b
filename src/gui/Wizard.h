#pragma once

#include "catalogue/WizardCatalogue.h"
#include "interaction/FileChooser.h"
#include "package/LabFileKind.h"

#include "ui_Wizard.h"

#include <QWidget>


namespace fendrel {
class Prompter;
} // namespace fendrel

namespace fendrel::gui {

// frmWizard: its pages are laid out in Wizard.ui. It builds a catalogue of one tab, one section and one lab page by page and hands it
// on with labFinished; whoever takes it calls closeFinished, or the last page stays so that
// Finish can be tried again. There is no way back, only cancel.
class Wizard : public QWidget, private Ui::Wizard {
    Q_OBJECT
public:
    // parent: the window whose caption the wizard's caption continues.
    Wizard(Prompter &prompter, FileChooser &chooser, QWidget *parent = nullptr);

    const WizardLab &results() const { return m_results; }
    qint16 page() const { return m_page; }
    // Closes without the cancel question, as when the main window goes away.
    void closeQuietly();
    // Closes after the finished lab was taken.
    void closeFinished();

Q_SIGNALS:
    void labFinished(const fendrel::WizardLab &lab);
    // Whether the wizard is to be shown at start-up, told as the wizard goes away.
    void startupChoiceMade(bool show);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setCaptions();
    void connectControls();

    void cmdNextClick();
    void cmdCancelClick();
    bool confirmCancel();
    void showPage(QWidget *next, QWidget *previous);
    void browse(const QList<FileFilter> &filters, QString &result, QLabel *label, LabFileField field);
    void unload();

    Prompter &m_prompter;
    FileChooser &m_chooser;
    WizardLab m_results;
    qint16 m_page = 0;
    bool m_finishing = false;
    bool m_unloaded = false;
};

} // namespace fendrel::gui
