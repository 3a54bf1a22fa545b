#pragma once

#include <QString>
#include <QStringList>

namespace fendrel {

// What the lab wizard collects: one tab, one section and one lab.
struct WizardLab {
    QString tabTitle;
    QString sectionName;
    QString labTitle;
    QString link;        // lab document
    QString topFile;
    QString picture;
    QString nwcFile;     // grading configuration
    QString loadNwcFile; // loading configuration
    QString description;
    QString mode;        // the wizard never sets it

    qint16 optFiles() const
    {
        return static_cast<qint16>(!loadNwcFile.isEmpty() + !nwcFile.isEmpty() + !picture.isEmpty());
    }
};

// The catalogue file of the wizard's lab, as the INI writer leaves it after writing the keys one
// by one into an empty file. No SKUs, page link or exam list: loading the file makes the SKUs.
QStringList wizardCatalogueLines(const WizardLab &lab);

// Replaces the catalogue file with the wizard's lab in one step; the old file stays whole when
// the new one cannot be written.
bool writeWizardCatalogue(const QString &file, const WizardLab &lab);

} // namespace fendrel
