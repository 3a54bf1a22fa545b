#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/LabRecord.h"

#include "ui_LabForm.h"

#include <QWidget>

#include <array>
#include <optional>

namespace fendrel {
class Prompter;
} // namespace fendrel

namespace fendrel::gui {

// The lab details beside the tree: section and lab name, the file tabs, the exams, the
// description, and the edit buffer that the file choosers and the page-link window fill. Its
// layout is LabForm.ui; the controls keep the names the catalogue's authors have always known.
class LabForm : public QWidget, public Ui::LabForm {
    Q_OBJECT
public:
    LabForm(Prompter &prompter, QWidget *parent = nullptr);

    LabRecord &buffer() { return m_buffer; }
    const LabRecord &buffer() const { return m_buffer; }

    // Empties the fields and locks the names, as before any node is shown.
    void clearFields();
    // The fields of a lab's record.
    void showLab(const LabRecord &record);
    // Ticks the exam boxes of a list and takes the list into the buffer.
    void showExamList(const QString &list);
    void lockExamBoxes();
    void unlockExamBoxes();
    // The page the page-link window reports for the lab document; ignored unless numeric.
    void setPageNumber(const QString &value);
    // Add Lab or Edit Lab opened: the buffer's files are emptied, to be chosen anew.
    void startEditing(bool keepsStoredFiles);
    // A new lab document in the buffer, and whether its page is about to be chosen.
    void documentChosen(const QString &path, bool pageToBeChosen);
    // What is typed for a lab, or nothing when a value was refused (and the user told why).
    std::optional<LabInput> typedLab();
    // After an incomplete lab: the first thing still missing gets the focus.
    void focusAfterIncompleteLab();
    // TabStrip1's tab changed: the frame of its files is shown.
    void tabStrip1Click();

private:
    void setCaptions();
    void onExamBoxClicked(int box, bool checked);
    void showLinkPage(const QString &page);

    Prompter &m_prompter;
    LabRecord m_buffer;
    QString m_shownPage; // the page of the lab shown
    QString m_keptPage;  // the page an edit stores when none is chosen
    std::array<QCheckBox *, 10> m_examBoxes{}; // in the order of examCodes()
};

} // namespace fendrel::gui
