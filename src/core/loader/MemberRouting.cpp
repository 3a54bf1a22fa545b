#include "loader/MemberRouting.h"

#include "catalogue/CatalogueSchema.h"
#include "text/TextHelpers.h"

#include <QFile>

#include <algorithm>

namespace fendrel {
namespace {

// The longest file name, in bytes, that the common file systems accept.
constexpr qsizetype kLongestFileName = 255;

QString keyOf(MemberRoute route)
{
    switch (route) {
    case MemberRoute::Document: return schema::kLink;
    case MemberRoute::Picture: return schema::kPicture;
    case MemberRoute::LoadingConfiguration: return schema::kLoadNwcFile;
    case MemberRoute::Topology: return schema::kTopFile;
    case MemberRoute::GradingConfiguration: return schema::kNwcFile;
    case MemberRoute::Catalogue:
    case MemberRoute::Other: break;
    }
    return {};
}

// A section or lab name as one folder name inside its parent; an empty name adds no folder.
QString folderComponent(const QString &name)
{
    const QString safe = withoutSeparators(name);
    if (safe == u"." || safe == u"..")
        return QStringLiteral("_/");
    return safe.isEmpty() ? QString() : safe + u'/';
}

QString targetFileName(MemberRoute route, const QString &memberName)
{
    const QString file = memberFileName(memberName);
    // A loading configuration travels as "name.nwcl" so that it is told from a grading one.
    return route == MemberRoute::LoadingConfiguration ? file.chopped(1) : file;
}

} // namespace

QString withoutSeparators(QString name)
{
    name.remove(u'/');
    name.remove(u'\\');
    name.remove(QChar(0));
    return name;
}

QString memberFileName(const QString &name)
{
    const QString file = fileNameOfPath(name);
    // A name takes at most three bytes on disk for each of its UTF-16 units: only a long one is
    // encoded to be measured.
    if (file.isEmpty() || file == u"." || file == u".." || file.contains(QChar(0))
        || (file.size() * 3 > kLongestFileName && QFile::encodeName(file).size() > kLongestFileName))
        return {};
    return file;
}

MemberRouting::MemberRouting(const MemberNames &names, const QStringList &catalogue, const QString &packageFolder)
    : m_catalogue(catalogue), m_packageFolder(packageFolder), m_names(names),
      m_folderOf(static_cast<std::size_t>(names.size()), -1), m_sectionOf(static_cast<std::size_t>(names.size()), -1),
      m_labOf(static_cast<std::size_t>(names.size()), -1), m_labFolder(packageFolder), m_commonFolder(packageFolder)
{
    skipEmptySections();
    readNames();
    const QString catalogueName = names.isEmpty() ? QString() : names.at(0);
    for (qsizetype i = 1; i < names.size() && m_misfit.isEmpty(); ++i) {
        const QString name = names.at(i);
        // A catalogue member without data of its own stands for the one already read.
        if (name == catalogueName)
            continue;
        if (routeOf(name) == MemberRoute::Catalogue)
            m_misfit = QStringLiteral("it holds a second catalogue, %1").arg(name);
        else
            route(i, name);
    }
    m_catalogue.write(schema::kGeneral, schema::kNumOfSections, QString::number(m_sectionsCounted));
}

// What the counting needs of the current section and lab, read once for each rather than once per
// member: the keys rewritten are never these.
void MemberRouting::readNames()
{
    m_section = schema::section(m_s);
    m_sectionName = m_catalogue.read(m_section, schema::kSectionName);
    m_labName = m_catalogue.read(m_section, schema::labKey(schema::kLab, m_l));
    m_entries = m_catalogue.readInt(m_section, schema::kNumberOfEntries, 0);
    m_optional = m_catalogue.readInt(m_section, schema::labKey(schema::kOptFiles, m_l), 0);
}

// An empty section has no members; skipping it keeps the next section's labs in their place.
void MemberRouting::skipEmptySections()
{
    while (m_catalogue.readInt(schema::section(m_s), schema::kNumberOfEntries, 0) <= 0
           && !m_catalogue.read(schema::section(m_s + 1), schema::kSectionName).isEmpty())
        ++m_s;
}

qint32 MemberRouting::folderId(const QString &folder)
{
    const auto found = m_folderIds.constFind(folder);
    if (found != m_folderIds.constEnd())
        return *found;
    m_folders.append(folder);
    m_folderIds.insert(folder, static_cast<qint32>(m_folders.size() - 1));
    return static_cast<qint32>(m_folders.size() - 1);
}

// Places member i, rewrites the key it fills and moves the lab and section counters past it.
void MemberRouting::route(qsizetype i, const QString &name)
{
    const MemberRoute route = routeOf(name);
    const QString file = targetFileName(route, name);
    if (memberFileName(name).isEmpty()) {
        m_misfit = QStringLiteral("the member name \"%1\" cannot be a file name here").arg(name);
        return;
    }
    const qint16 entries = m_entries;
    const bool counted = route != MemberRoute::Other;
    if (counted && entries <= 0) {
        m_misfit = QStringLiteral("%1 belongs to no lab of its catalogue").arg(name);
        return;
    }
    // Documents and pictures open a lab: they set the folders the members after them use.
    if (route == MemberRoute::Document || route == MemberRoute::Picture) {
        const QString sectionFolder = m_packageFolder + folderComponent(m_sectionName);
        m_labFolder = sectionFolder + folderComponent(m_labName);
        m_commonFolder = sectionFolder + QStringLiteral("common/");
        folderId(m_labFolder);
        folderId(m_commonFolder);
        m_folderSection = m_s;
        m_folderLab = m_l;
    }
    const QString &folder = route == MemberRoute::Document || route == MemberRoute::Picture ? m_commonFolder : m_labFolder;
    m_folderOf[static_cast<std::size_t>(i)] = folderId(folder);
    m_sectionOf[static_cast<std::size_t>(i)] = counted ? m_s : m_folderSection;
    m_labOf[static_cast<std::size_t>(i)] = counted ? m_l : m_folderLab;
    if (!counted)
        return;

    const qint16 optional = m_optional;
    m_catalogue.write(m_section, schema::labKey(keyOf(route), m_l), folder + file);
    ++m_counted;
    if (route == MemberRoute::Document && m_l == 0)
        ++m_sectionsCounted;
    if (m_counted >= optional + 2) {
        ++m_l;
        m_counted = 0;
        readNames();
    }
    if (m_l > entries - 1) {
        ++m_s;
        m_l = 0;
        skipEmptySections();
        readNames();
    }
}

QString MemberRouting::targetOf(qsizetype i) const
{
    const qint32 folder = m_folderOf[static_cast<std::size_t>(i)];
    if (folder < 0)
        return {};
    const QString name = m_names.at(i);
    return m_folders[folder] + targetFileName(routeOf(name), name);
}

} // namespace fendrel
