#include "loader/PackageInspection.h"

#include "catalogue/CatalogueSchema.h"
#include "catalogue/Ini.h"
#include "io/CheckedWriter.h"
#include "loader/MemberRouting.h"
#include "package/PackageFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace fendrel {
namespace {

// Streams one member's bytes into a checked writer and stops reading once it is whole.
class MemberSaver : public PackageImageParser::Handler {
public:
    MemberSaver(qint64 index, const QString &target) : m_index(index), m_file(target) {}
    void memberBegins(qint64 index, qint64 size) override
    {
        if (index != m_index)
            return;
        if (size < 0) {
            m_failure = QStringLiteral("member %1 carries no content of its own").arg(index);
            return;
        }
        m_writing = m_file.open();
    }
    void memberBytes(QByteArrayView bytes) override
    {
        if (m_writing)
            m_writing = m_file.write(bytes);
    }
    void memberEnds(qint64 index) override
    {
        if (index == m_index && m_writing)
            m_done = m_file.commit();
        m_writing = false;
        if (index == m_index && !m_done && m_failure.isEmpty())
            m_failure = m_file.error();
    }
    bool wantsMore() const override { return !m_done && m_failure.isEmpty(); }
    bool done() const { return m_done; }
    const QString &failure() const { return m_failure; }

private:
    qint64 m_index;
    CheckedWriter m_file;
    bool m_writing = false;
    bool m_done = false;
    QString m_failure;
};

} // namespace

bool savePackageMember(const QString &packagePath, qint64 index, const QString &target, QString *failure)
{
    MemberSaver saver(index, target);
    PackageFileError error;
    readPackageImageFile(packagePath, saver, {}, &error);
    if (saver.done())
        return true;
    *failure = !saver.failure().isEmpty() ? saver.failure()
        : !error.description.isEmpty()    ? error.description
                                          : QStringLiteral("the package holds no member %1").arg(index);
    return false;
}

PackageInspection inspectPackage(const QString &packagePath)
{
    PackageInspection result;
    result.packageSize = QFileInfo(packagePath).size();
    if (QFileInfo(packagePath).isReadable() && !startsAsHe3Stream(packagePath)) {
        result.verdict = PackageInspection::Verdict::NotAPackage;
        result.why = QStringLiteral("it is not an HE3 stream");
        return result;
    }
    MemberListing collector;
    PackageImageParser parser(collector);
    PackageFileError error;
    const bool read = readPackageFile(
        packagePath, {},
        [&](QByteArrayView piece) {
            result.imageSize += piece.size();
            return parser.feed(piece);
        },
        &error);
    if (!read || parser.failed() || !parser.finish()) {
        result.why = parser.failed() ? parser.error() : error.description;
        return result;
    }
    result.memberCount = collector.names.size();
    if (collector.names.isEmpty() || routeOf(collector.names.at(0)) != MemberRoute::Catalogue) {
        result.verdict = PackageInspection::Verdict::NotAPackage;
        result.why = QStringLiteral("its first member is no catalogue");
        return result;
    }

    const QStringList lines = parseIniLines(collector.firstMemberBytes);
    IniDocument catalogue(lines);
    result.tabTitle = catalogue.read(schema::kGeneral, schema::kTabTitle);
    for (qint32 s = 0;; ++s) {
        const QString name = catalogue.read(schema::section(s), schema::kSectionName);
        if (name.isEmpty())
            break;
        InspectedSection section{name, {}};
        const qint16 entries = catalogue.readInt(schema::section(s), schema::kNumberOfEntries, 0);
        for (qint32 l = 0; l < entries; ++l)
            section.labs.append({catalogue.read(schema::section(s), schema::labKey(schema::kLab, l)), {}});
        result.sections.append(section);
    }

    const MemberRouting routing(collector.names, lines, QStringLiteral("/"));
    for (qsizetype i = 0; i < collector.names.size(); ++i) {
        const InspectedMember member{i + 1, collector.names.at(i), collector.sizes[static_cast<std::size_t>(i)]};
        const qint32 s = routing.sectionOf(i);
        const qint32 l = routing.labOf(i);
        if (i == 0 || collector.names.bytesAt(i) == collector.names.bytesAt(0))
            result.catalogue.append(member);
        else if (s >= 0 && s < result.sections.size() && l >= 0 && l < result.sections[s].labs.size())
            result.sections[s].labs[l].members.append(member);
        else
            result.unplaced.append(member);
    }
    const auto repeatsTheCatalogue = [&](qsizetype i) {
        return collector.names.bytesAt(i) == collector.names.bytesAt(0) && collector.sizes[static_cast<std::size_t>(i)] >= 0;
    };
    qsizetype second = 1;
    while (second < collector.names.size() && !repeatsTheCatalogue(second))
        ++second;
    if (collector.sizes.front() < 0) {
        result.verdict = PackageInspection::Verdict::DoesNotFit;
        result.why = QStringLiteral("its catalogue carries no content");
    } else if (second < collector.names.size()) {
        result.verdict = PackageInspection::Verdict::DoesNotFit;
        result.why = QStringLiteral("it holds a second catalogue, %1").arg(collector.names.at(second));
    } else if (!routing.misfit().isEmpty()) {
        result.verdict = PackageInspection::Verdict::DoesNotFit;
        result.why = routing.misfit();
    } else if (std::find(collector.sizes.begin(), collector.sizes.end(), InspectedMember::kMissing) != collector.sizes.end()) {
        result.verdict = PackageInspection::Verdict::Incomplete;
        result.why = QStringLiteral("members without data: the package ends before their content");
    } else {
        result.verdict = PackageInspection::Verdict::Sound;
    }
    return result;
}

} // namespace fendrel
