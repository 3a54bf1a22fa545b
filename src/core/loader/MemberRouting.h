#pragma once

#include "catalogue/Ini.h"
#include "package/LabFileKind.h"
#include "package/PackageImage.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace fendrel {

// A name from a package with every "/", "\\" and NUL removed, so that it cannot name a path.
QString withoutSeparators(QString name);

// A member's file name; empty when the name cannot stand for a file in its folder (no name, "."
// or "..", a NUL, longer than file systems take).
QString memberFileName(const QString &memberName);

// Where each member of a package lands and the catalogue rewritten to name those files, worked out
// from the member names and the package's catalogue before any member is written. Members are
// counted against the catalogue's sections, labs and optional-file counts in package order; a
// counted member beyond the catalogue's last lab means the package does not fit its catalogue.
class MemberRouting {
public:
    // names[0] is the catalogue, catalogue its content; packageFolder ends with "/". names must
    // outlive the routing.
    MemberRouting(const MemberNames &names, const QStringList &catalogue, const QString &packageFolder);

    // Empty when the package fits its catalogue; otherwise why it does not.
    const QString &misfit() const { return m_misfit; }
    // Where member i is written; empty for the catalogue and for catalogue members that repeat it.
    QString targetOf(qsizetype i) const;
    // Every folder a target lies in, in the order they are first needed.
    const QStringList &folders() const { return m_folders; }
    // The catalogue with the rewritten file keys and the count of sections.
    QStringList rewrittenCatalogue() const { return m_catalogue.lines(); }

    // The catalogue section and lab (numbered from 0) member i belongs to: a counted member the
    // lab it was counted for, any other the lab whose folder it lands in; -1 for none.
    qint32 sectionOf(qsizetype i) const { return m_sectionOf[static_cast<std::size_t>(i)]; }
    qint32 labOf(qsizetype i) const { return m_labOf[static_cast<std::size_t>(i)]; }

private:
    void readNames();
    void skipEmptySections();
    qint32 folderId(const QString &folder);
    void route(qsizetype i, const QString &name);

    IniDocument m_catalogue;
    const QString m_packageFolder;
    const MemberNames &m_names;
    std::vector<qint32> m_folderOf; // per member, -1 for no file
    std::vector<qint32> m_sectionOf;
    std::vector<qint32> m_labOf;
    qint32 m_folderSection = -1; // the lab whose folders were set last
    qint32 m_folderLab = -1;
    QStringList m_folders;
    QHash<QString, qint32> m_folderIds;
    QString m_misfit;

    QString m_labFolder;
    QString m_commonFolder;
    int m_s = 0;
    int m_l = 0;
    int m_counted = 0;
    int m_sectionsCounted = 0;
    QString m_section; // "Section" s
    QString m_sectionName;
    QString m_labName;
    qint16 m_entries = 0;
    qint16 m_optional = 0;
};

} // namespace fendrel
