#include "catalogue/WizardCatalogue.h"

#include "catalogue/CatalogueSchema.h"
#include "catalogue/Ini.h"

namespace fendrel {

QStringList wizardCatalogueLines(const WizardLab &lab)
{
    using namespace schema;
    const QString s = section(0);
    IniDocument document;
    document.write(kGeneral, kTabTitle, lab.tabTitle);
    document.write(s, kSectionName, lab.sectionName);
    document.write(s, kNumberOfEntries, QStringLiteral("1"));
    document.write(s, labKey(kLab, 0), lab.labTitle);
    document.write(s, labKey(kLink, 0), lab.link);
    document.write(s, labKey(kTopFile, 0), lab.topFile);
    document.write(s, labKey(kPicture, 0), lab.picture);
    document.write(s, labKey(kOptFiles, 0), QString::number(lab.optFiles()));
    document.write(s, labKey(kNwcFile, 0), lab.nwcFile);
    document.write(s, labKey(kLoadNwcFile, 0), lab.loadNwcFile);
    document.write(s, labKey(kDescription, 0), lab.description);
    document.write(s, labKey(kMode, 0), lab.mode);
    return document.lines();
}

bool writeWizardCatalogue(const QString &file, const WizardLab &lab)
{
    QStringList lines = wizardCatalogueLines(lab);
    lines.removeAll(QString());
    return writeIniFile(file, lines);
}

} // namespace fendrel
