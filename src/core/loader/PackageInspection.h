#pragma once

#include "package/PackageImage.h"

#include <QList>
#include <QString>

namespace fendrel {

// One member of a package as the inspector shows it.
struct InspectedMember {
    qint64 index = 0;   // from 1, as the package numbers them
    QString name;
    qint64 size = -1;   // bytes; kNameOnly or kMissing instead
    static constexpr qint64 kNameOnly = MemberListing::kNameOnly;
    static constexpr qint64 kMissing = MemberListing::kMissing;
};

struct InspectedLab {
    QString name;
    QList<InspectedMember> members;
};

struct InspectedSection {
    QString name;
    QList<InspectedLab> labs;
};

// What a package holds, read without extracting anything: its catalogue's sections and labs with
// the members that belong to each, and whether it would open.
struct PackageInspection {
    enum class Verdict {
        Sound,          // it would open as it is
        NotAPackage,    // no HE3 stream, or its first member is no catalogue
        Damaged,        // the stream or the image is broken, or the file cannot be read
        DoesNotFit,     // sound bytes whose members do not fit its catalogue
        Incomplete,     // members without data: it opens, but those files are missing
    };
    Verdict verdict = Verdict::Damaged;
    QString why;               // the reason when not Sound
    qint64 packageSize = 0;    // bytes on disk
    qint64 imageSize = 0;      // bytes once expanded (as far as it could be read)
    qint64 memberCount = 0;
    QString tabTitle;
    QList<InspectedSection> sections;
    QList<InspectedMember> catalogue; // member 1 and the name-only members that repeat it
    QList<InspectedMember> unplaced;  // members that belong to no lab
};

PackageInspection inspectPackage(const QString &packagePath);

// Writes the content of member index (which must carry data) to target, whole or not at all.
// False, with the reason, when the package or the target fails.
bool savePackageMember(const QString &packagePath, qint64 index, const QString &target, QString *failure);

} // namespace fendrel
