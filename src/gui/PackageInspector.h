#pragma once

#include "loader/PackageInspection.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace fendrel {
class FileChooser;
class Prompter;
} // namespace fendrel

namespace fendrel::gui {

// frmInspector: what a package holds, lab by lab, and whether it would open, without importing
// it; a member can be saved as a file of its own.
class PackageInspector : public QWidget {
    Q_OBJECT
public:
    PackageInspector(const QString &packagePath, Prompter &prompter, FileChooser &chooser, QWidget *parent = nullptr);

    QLabel *lblSummary;
    QTreeWidget *tvMembers;
    QPushButton *cmdSaveMember;

    // Asks where to save the selected member and writes it; false when nothing was written.
    bool saveSelectedMember();

private:
    void fillTree();

    QString m_packagePath;
    PackageInspection m_inspection;
    Prompter &m_prompter;
    FileChooser &m_chooser;
};

} // namespace fendrel::gui
