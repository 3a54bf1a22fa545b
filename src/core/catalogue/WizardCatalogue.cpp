#include "catalogue/WizardCatalogue.h"

#include "catalogue/Ini.h"

namespace fendrel {

QStringList wizardCatalogueLines(const WizardLab &lab)
{
    const QString section = QStringLiteral("Section0");
    IniDocument document;
    document.write(QStringLiteral("General"), QStringLiteral("TabTitle"), lab.tabTitle);
    document.write(section, QStringLiteral("SectionName"), lab.sectionName);
    document.write(section, QStringLiteral("NumberOfEntries"), QStringLiteral("1"));
    document.write(section, QStringLiteral("Lab0"), lab.labTitle);
    document.write(section, QStringLiteral("Link0"), lab.link);
    document.write(section, QStringLiteral("TopFile0"), lab.topFile);
    document.write(section, QStringLiteral("Picture0"), lab.picture);
    document.write(section, QStringLiteral("OptFiles0"), QString::number(lab.optFiles()));
    document.write(section, QStringLiteral("NWCFile0"), lab.nwcFile);
    document.write(section, QStringLiteral("LoadNWCFile0"), lab.loadNwcFile);
    document.write(section, QStringLiteral("Description0"), lab.description);
    document.write(section, QStringLiteral("Mode0"), lab.mode);
    return document.lines();
}

bool writeWizardCatalogue(const QString &file, const WizardLab &lab)
{
    QStringList lines = wizardCatalogueLines(lab);
    lines.removeAll(QString());
    return writeIniFile(file, lines);
}

} // namespace fendrel
