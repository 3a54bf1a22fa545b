#pragma once

#include <QString>

namespace fendrel::schema {

// The names of the catalogue file, the one place that spells them. The file's readers match
// them letter case aside, and its writer puts headers in upper case and keys in lower case.

inline const QString kGeneral = QStringLiteral("General");
inline const QString kTabTitle = QStringLiteral("TabTitle");
inline const QString kSku = QStringLiteral("Sku"); // in [General], in each section, and numbered per lab
inline const QString kNumOfSections = QStringLiteral("NumOfSections"); // written by extraction only

inline const QString kSectionName = QStringLiteral("SectionName");
inline const QString kNumberOfEntries = QStringLiteral("NumberOfEntries");

// Keys numbered per lab from 0: "Lab0", "Link0", ...
inline const QString kLab = QStringLiteral("Lab");
inline const QString kLink = QStringLiteral("Link");
inline const QString kLinkPage = QStringLiteral("LinkPage");
inline const QString kTopFile = QStringLiteral("TopFile");
inline const QString kPicture = QStringLiteral("Picture");
inline const QString kOptFiles = QStringLiteral("OptFiles");
inline const QString kNwcFile = QStringLiteral("NWCFile");
inline const QString kLoadNwcFile = QStringLiteral("LoadNWCFile");
inline const QString kDescription = QStringLiteral("Description");
inline const QString kExamsCovered = QStringLiteral("ExamsCovered");
inline const QString kMode = QStringLiteral("Mode");

// Sections are numbered from 0: "Section0", "Section1", ...
inline QString section(qint32 s)
{
    return QStringLiteral("Section") + QString::number(s);
}

inline QString labKey(const QString &key, qint32 j)
{
    return key + QString::number(j);
}

} // namespace fendrel::schema
