// Package extraction. The package is expanded twice instead of held: the first reading only
// checks it, so that a damaged package writes nothing, and the second writes each member as its
// bytes arrive. Where a member lands and which catalogue key it rewrites follow from counting
// members against the catalogue's entry and optional-file counts, so routing and counting live in
// one handler that sees the members in image order. Every name from the package is cut down to
// one path component first: nothing it says can place a file outside the package folder.

#include "loader/PackageLoader.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "interaction/Prompter.h"
#include "package/NetworkConfiguration.h"
#include "package/PackageImage.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace fendrel {
namespace {

const QString kExtractionRootName = QStringLiteral("CompilerLabs");
// The longest file name, in bytes, that the common file systems accept.
constexpr qsizetype kLongestFileName = 255;

enum class Route { Catalogue, Document, Picture, LoadingConfiguration, Topology, GradingConfiguration, Other };

Route routeOf(const QString &name)
{
    if (name.endsWith(QStringLiteral(".ini")))
        return Route::Catalogue;
    const QString lower = name.toLower();
    const auto endsWithAny = [&lower](std::initializer_list<const char *> suffixes) {
        return std::any_of(suffixes.begin(), suffixes.end(),
                           [&lower](const char *s) { return lower.endsWith(QLatin1String(s)); });
    };
    if (endsWithAny({".doc", ".pdf", ".txt"}))
        return Route::Document;
    // The picture check also takes PNG files (and JPEGs by any name); they must count as the
    // lab's picture too, or every later member would land one lab off.
    if (endsWithAny({".jpg", ".jpeg", ".gif", ".wmf", ".bmp", ".png"}))
        return Route::Picture;
    if (lower.endsWith(QLatin1String(".nwcl")))
        return Route::LoadingConfiguration;
    if (lower.endsWith(QLatin1String(".top")))
        return Route::Topology;
    if (lower.endsWith(QLatin1String(".nwc")))
        return Route::GradingConfiguration;
    return Route::Other;
}

QString keyOf(Route route)
{
    switch (route) {
    case Route::Document: return schema::kLink;
    case Route::Picture: return schema::kPicture;
    case Route::LoadingConfiguration: return schema::kLoadNwcFile;
    case Route::Topology: return schema::kTopFile;
    case Route::GradingConfiguration: return schema::kNwcFile;
    case Route::Catalogue:
    case Route::Other: break;
    }
    return {};
}

QString withoutSeparators(QString name)
{
    name.remove(u'/');
    name.remove(u'\\');
    name.remove(QChar(0));
    return name;
}

// A section or lab name as one folder name inside its parent; an empty name adds no folder.
QString folderComponent(const QString &name)
{
    const QString safe = withoutSeparators(name);
    if (safe == u"." || safe == u"..")
        return QStringLiteral("_/");
    return safe.isEmpty() ? QString() : safe + u'/';
}

// A member's file name; empty when the name cannot stand for a file in its folder.
QString memberFileName(const QString &name)
{
    const QString file = fileNameOfPath(name);
    if (file.isEmpty() || file == u"." || file == u".." || file.contains(QChar(0)))
        return {};
    return file;
}

} // namespace

QString packageFolderName(const QString &packagePath)
{
    QString name = withoutSeparators(QString(fileNameOfPath(packagePath)).remove(QStringLiteral(".lab")));
    if (name.isEmpty() || name == u"." || name == u"..")
        name = QStringLiteral("_") + name;
    return name;
}

namespace {

// Writes each member where the routing rules place it while the image is read a second time,
// and rewrites the keys of the extracted catalogue to name the files written.
class MemberExtractor : public PackageImageParser::Handler {
public:
    MemberExtractor(const QString &packageFolder, Prompter &prompter)
        : m_packageFolder(packageFolder), m_labFolder(packageFolder), m_commonFolder(packageFolder), m_prompter(prompter)
    {
    }

    void namesRead(const QList<QString> &names) override { m_names = names; }

    void memberBegins(qint64 index, qint64 size) override
    {
        m_current = index <= m_names.size() ? index - 1 : -1; // data beyond the names is not read
        if (m_current < 0)
            return;
        place(m_current);
        m_hasData = size >= 0;
        m_catalogueBytes.clear();
        if (m_fileName.isEmpty())
            return;
        if (size >= 0) {
            m_file.setFileName(m_target);
            if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
                && !m_firstPathOf.contains(m_names[m_current]))
                m_firstPathOf.insert(m_names[m_current], m_target);
        } else if (!QFileInfo::exists(m_target)) {
            // A name-only member stands for the content of the earlier member of its name.
            const QString first = m_firstPathOf.value(m_names[m_current]);
            if (first.isEmpty() || !QFile::copy(first, m_target)) {
                QFile empty(m_target);
                (void)empty.open(QIODevice::WriteOnly);
            }
        }
    }

    void memberBytes(QByteArrayView bytes) override
    {
        if (m_current < 0)
            return;
        if (m_file.isOpen())
            m_file.write(bytes.data(), bytes.size());
        if (m_route == Route::Catalogue)
            m_catalogueBytes.append(bytes);
    }

    void memberEnds(qint64) override
    {
        if (m_current < 0)
            return;
        m_file.close();
        account(m_hasData);
        m_dataEntries = m_current + 1;
    }

    // After the image: the members that have no data entry at all, then the catalogue file.
    // False, with the reason in failure, when the catalogue file could not be replaced.
    bool finish(const QString &catalogueFile, bool *incomplete, QString *failure)
    {
        for (qsizetype i = m_dataEntries; i < m_names.size(); ++i) {
            place(i);
            m_prompter.message(LangEntry::PackageIncompleteMessage, MessageIcon::None);
            *incomplete = true;
            account(false);
        }
        m_catalogue.write(schema::kGeneral, schema::kNumOfSections, QString::number(m_sectionsCounted));
        if (!writeIniFile(catalogueFile, m_catalogue.lines(), failure))
            return false;
        if (QFileInfo(m_cataloguePath) != QFileInfo(catalogueFile))
            QFile::remove(m_cataloguePath);
        return true;
    }

private:
    void readNames()
    {
        m_sectionName = m_catalogue.read(schema::section(m_s), schema::kSectionName);
        m_labName = m_catalogue.read(schema::section(m_s), schema::labKey(schema::kLab, m_l));
    }

    // An empty section has no members; skipping it keeps the next section's labs in their place.
    void skipEmptySections()
    {
        while (m_catalogue.readInt(schema::section(m_s), schema::kNumberOfEntries, 0) <= 0
               && !m_catalogue.read(schema::section(m_s + 1), schema::kSectionName).isEmpty())
            ++m_s;
    }

    // Where member i goes; documents and pictures first set the folders of the current lab.
    void place(qsizetype i)
    {
        m_route = routeOf(m_names[i]);
        m_fileName = memberFileName(m_names[i]);
        if (m_route == Route::Document || m_route == Route::Picture) {
            const QString sectionFolder = m_packageFolder + folderComponent(m_sectionName);
            m_labFolder = sectionFolder + folderComponent(m_labName);
            m_commonFolder = sectionFolder + QStringLiteral("common/");
            makeFolder(m_labFolder);
            makeFolder(m_commonFolder);
        }
        switch (m_route) {
        case Route::Catalogue: m_target = m_packageFolder + m_fileName; break;
        case Route::Document:
        case Route::Picture: m_target = m_commonFolder + m_fileName; break;
        case Route::LoadingConfiguration: m_target = m_labFolder + m_fileName.chopped(m_fileName.isEmpty() ? 0 : 1); break;
        default: m_target = m_labFolder + m_fileName; break;
        }
    }

    void makeFolder(const QString &folder)
    {
        if (!m_madeFolders.contains(folder)) {
            QDir().mkpath(folder);
            m_madeFolders.insert(folder);
        }
    }

    // Moves the lab and section counters on past the member just placed and rewrites its key.
    void account(bool hasData)
    {
        if (m_route == Route::Catalogue) {
            if (!m_cataloguePath.isEmpty())
                writeIniFile(m_cataloguePath, m_catalogue.lines());
            m_cataloguePath = m_target;
            m_catalogue = IniDocument(hasData ? parseIniLines(m_catalogueBytes) : readLines(m_target));
            m_catalogueBytes.clear();
            skipEmptySections();
            readNames();
            return;
        }
        const qint16 entries = m_catalogue.readInt(schema::section(m_s), schema::kNumberOfEntries, 0);
        const qint16 optional = m_catalogue.readInt(schema::section(m_s), schema::labKey(schema::kOptFiles, m_l), 0);
        if (m_route != Route::Other) {
            if (!m_fileName.isEmpty())
                m_catalogue.write(schema::section(m_s), schema::labKey(keyOf(m_route), m_l), m_target);
            ++m_counted;
            if (m_route == Route::Document && m_l == 0)
                ++m_sectionsCounted;
        }
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

    const QString m_packageFolder;
    QString m_labFolder;
    QString m_commonFolder;
    Prompter &m_prompter;
    QList<QString> m_names;
    qsizetype m_dataEntries = 0;
    qsizetype m_current = -1;
    bool m_hasData = false;
    Route m_route = Route::Other;
    QString m_fileName;
    QString m_target;
    QFile m_file;
    QByteArray m_catalogueBytes;
    QHash<QString, QString> m_firstPathOf; // shared documents and pictures by member name
    QSet<QString> m_madeFolders;

    int m_s = 0;
    int m_l = 0;
    int m_counted = 0;
    int m_sectionsCounted = 0;
    QString m_sectionName;
    QString m_labName;
    QString m_cataloguePath;
    IniDocument m_catalogue;
};

class NameCollector : public PackageImageParser::Handler {
public:
    QList<QString> names;
    bool secondCatalogue = false; // a later catalogue member with data of its own
    void namesRead(const QList<QString> &read) override { names = read; }
    void memberBegins(qint64 index, qint64 size) override
    {
        if (index > 1 && size >= 0 && index <= names.size() && routeOf(names[index - 1]) == Route::Catalogue)
            secondCatalogue = true;
    }
};

} // namespace

ExtractResult extractPack(const QString &packagePath, const QString &appDataFolder, Prompter &prompter,
                          ExtractObserver *observer)
{
    ExtractResult result;
    const QString title = fileNameOfPath(packagePath);
    const auto refuse = [&](ExtractResult::Status status) {
        if (observer)
            observer->decodingFinished();
        prompter.show(title + langText(LangEntry::NotAPackageMessage), MessageIcon::Critical, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        result.status = status;
        return result;
    };
    const ProgressCallback progress = [observer](int percent) {
        if (observer)
            observer->progress(percent);
    };

    // The package is expanded twice rather than held: first to see that all of it is sound, so
    // that a damaged package writes nothing, then to write its members.
    if (observer)
        observer->decodingStarted();
    NameCollector check;
    if (!readPackageImageFile(packagePath, check, progress, &result.error))
        return refuse(ExtractResult::Status::Unreadable);
    if (check.names.isEmpty() || routeOf(check.names.first()) != Route::Catalogue)
        return refuse(ExtractResult::Status::Invalid);
    // A second catalogue with content would silently take the first one's place, and a name no
    // file can have would be dropped while the catalogue names it: neither package fits its
    // catalogue. (A catalogue member without data only stands for the one already written.)
    const auto unfitName = [](const QString &name) {
        return QFile::encodeName(fileNameOfPath(name)).size() > kLongestFileName;
    };
    if (check.secondCatalogue || std::any_of(check.names.begin(), check.names.end(), unfitName))
        return refuse(ExtractResult::Status::Invalid);

    const QString packageFolder = withTrailingSeparator(appDataFolder) + kExtractionRootName + u'/'
        + packageFolderName(packagePath) + u'/';
    QDir().mkpath(packageFolder);
    result.packageFolder = packageFolder;

    if (observer)
        observer->writingStarted();
    MemberExtractor extractor(packageFolder, prompter);
    // Fails only when the file changed between the readings; the catalogue file stays as it was.
    if (!readPackageImageFile(packagePath, extractor, progress, &result.error))
        return refuse(ExtractResult::Status::Unreadable);
    if (observer)
        observer->decodingFinished();
    if (!extractor.finish(withTrailingSeparator(appDataFolder) + kCatalogueFileName, &result.incomplete,
                          &result.failure)) {
        prompter.show(result.failure + QStringLiteral(". The current catalogue is unchanged."), MessageIcon::Critical,
                      MessageButtons::Ok, langText(LangEntry::MessageTitle));
        result.status = ExtractResult::Status::NotWritten;
        return result;
    }
    result.status = ExtractResult::Status::Extracted;
    return result;
}

ExtractResult openLabPackage(Catalogue &catalogue, const QString &packagePath,
                             const QString &appDataFolder, Prompter &prompter, ExtractObserver *observer)
{
    const ExtractResult result = extractPack(packagePath, appDataFolder, prompter, observer);
    if (result.status == ExtractResult::Status::Unreadable)
        logError(QStringLiteral("Load Lab Pack - Click"), kMainWindowLabel, result.error.number,
                 result.error.description);
    if (result.status == ExtractResult::Status::Extracted)
        catalogue.createNewTree(prompter, appDataFolder);
    return result;
}

} // namespace fendrel
