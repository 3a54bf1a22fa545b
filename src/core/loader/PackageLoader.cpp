// Package extraction. The package is expanded once. Member names come before any member data,
// and member 1 is the catalogue, so where every member lands and which catalogue key it rewrites
// are settled (MemberRouting) before the first file arrives. Each member is written whole into a
// staging folder inside the package folder; only when the whole package has proved sound are the
// files renamed over their targets, and the catalogue file is replaced last. A damaged, refused
// or interrupted package therefore changes no file, and a killed run leaves every file as it was
// or as the package has it.

#include "loader/PackageLoader.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "interaction/Prompter.h"
#include "io/CheckedWriter.h"
#include "io/StagingFolder.h"
#include "loader/DeleteFolder.h"
#include "loader/MemberRouting.h"
#include "package/PackageImage.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace fendrel {
namespace {


bool lessBytes(QByteArrayView a, QByteArrayView b)
{
    return std::string_view(a.data(), static_cast<std::size_t>(a.size()))
        < std::string_view(b.data(), static_cast<std::size_t>(b.size()));
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

// Reads the package once: checks the names, routes the members once the catalogue has arrived and
// stages every member's data. Nothing outside the staging folder changes until putInPlace().
class MemberStager : public PackageImageParser::Handler {
public:
    MemberStager(const QString &packageFolder, StagingFolder &staging, const ExtractObserver *observer)
        : m_packageFolder(packageFolder), m_staging(staging), m_observer(observer)
    {
    }

    void namesRead(MemberNames names) override
    {
        m_names = std::move(names);
        m_hasData.assign(static_cast<std::size_t>(m_names.size()), false);
        if (m_names.isEmpty() || routeOf(m_names.at(0)) != MemberRoute::Catalogue)
            m_refusal = Refusal::NoCatalogue;
    }

    void memberBegins(qint64 index, qint64 size) override
    {
        m_current = index <= m_names.size() ? index - 1 : -1; // data beyond the names is not read
        m_staged = false;
        if (m_current < 0)
            return;
        m_dataEntries = m_current + 1;
        m_hasData[static_cast<std::size_t>(m_current)] = size >= 0;
        if (m_current == 0) {
            if (size < 0)
                misfit(QStringLiteral("its catalogue carries no content"));
            return;
        }
        if (!m_routing) {
            misfit(QStringLiteral("its catalogue comes without its members' places"));
            return;
        }
        const QString target = m_routing->targetOf(m_current);
        if (size < 0 || target.isEmpty()) {
            // Data for a repeated catalogue name: a second catalogue that would take the first one's place.
            if (size >= 0)
                misfit(QStringLiteral("it holds a second catalogue, %1").arg(m_names.at(m_current)));
            return;
        }
        m_staged = m_staging.begin(m_current, target);
    }

    void memberBytes(QByteArrayView bytes) override
    {
        if (m_current == 0)
            m_catalogueBytes.append(bytes);
        else if (m_staged)
            m_staging.write(bytes);
    }

    void memberEnds(qint64) override
    {
        if (m_current == 0) {
            m_routing = std::make_unique<MemberRouting>(m_names, parseIniLines(m_catalogueBytes), m_packageFolder);
            m_catalogueBytes.clear();
            if (!m_routing->misfit().isEmpty())
                misfit(m_routing->misfit());
            else if (m_staging.isNewFolder())
                m_staging.makeFolders(m_routing->folders());
        } else if (m_staged) {
            m_staging.end();
        }
    }

    bool wantsMore() const override
    {
        return m_refusal == Refusal::None && !m_staging.failed() && !(m_observer && m_observer->cancelled());
    }

    enum class Refusal { None, NoCatalogue, Misfit };
    Refusal refusal() const { return m_refusal; }
    const QString &misfitReason() const { return m_misfit; }
    bool hasCatalogue() const { return m_routing != nullptr; }
    bool incomplete() const { return m_dataEntries < m_names.size(); }

    // Puts the staged members in place, in package order, and gives members without data the file
    // they stand for; a new package folder goes in place whole at the end. False, with the reason
    // in failure, at the first that fails. placed receives the share of members done (0..100).
    bool putInPlace(QString *failure, const ProgressCallback &placed)
    {
        const bool newFolder = m_staging.isNewFolder();
        for (const QString &folder : newFolder ? QStringList() : m_routing->folders()) {
            if (!QDir().mkpath(folder)) {
                *failure = QStringLiteral("The folder %1 cannot be created").arg(folder);
                return false;
            }
        }
        if (!newFolder && !m_staging.sync()) {
            *failure = m_staging.error();
            return false;
        }
        const std::vector<qint32> withData = membersWithDataByName();
        for (qsizetype i = 1; i < m_dataEntries; ++i) {
            if (placed && i % 1024 == 0)
                placed(static_cast<int>(i * 100 / m_dataEntries));
            const QString target = m_routing->targetOf(i);
            if (target.isEmpty())
                continue;
            if (m_hasData[static_cast<std::size_t>(i)]) {
                if (!newFolder && !m_staging.putInPlace(i, target)) {
                    *failure = m_staging.error();
                    return false;
                }
            } else if (!QFileInfo::exists(placedPath(i, target)) && !giveContent(i, target, withData, failure)) {
                return false;
            }
        }
        // A new folder is synced with the copies made for members without data.
        if (newFolder && !(m_staging.sync() && m_staging.putFolderInPlace())) {
            *failure = m_staging.error();
            return false;
        }
        return true;
    }

    QString catalogueMemberTarget() const
    {
        const QString file = memberFileName(m_names.at(0));
        return file.isEmpty() ? QString() : m_packageFolder + file;
    }
    QStringList rewrittenCatalogue() const { return m_routing->rewrittenCatalogue(); }

private:
    void misfit(const QString &why)
    {
        if (m_refusal == Refusal::None) {
            m_refusal = Refusal::Misfit;
            m_misfit = why;
        }
    }

    // The members with data, ordered by name and then by place, so that the first member of a
    // name is found without a table of every name; empty when no member lacks data.
    std::vector<qint32> membersWithDataByName() const
    {
        std::vector<qint32> members;
        if (std::all_of(m_hasData.begin(), m_hasData.begin() + m_dataEntries, [](bool has) { return has; }))
            return members;
        for (qint32 i = 1; i < m_dataEntries; ++i) {
            if (m_hasData[static_cast<std::size_t>(i)])
                members.push_back(i);
        }
        std::stable_sort(members.begin(), members.end(),
                         [this](qint32 a, qint32 b) { return lessBytes(m_names.bytesAt(a), m_names.bytesAt(b)); });
        return members;
    }

    // Where the file for member i lies until the extraction is over: its target, or its place in
    // the new package folder being staged.
    QString placedPath(qsizetype i, const QString &target) const
    {
        return m_staging.isNewFolder() ? m_staging.stagedPath(i, target) : target;
    }

    // A name-only member stands for the content of the first member of its name, copied beside
    // the target and renamed over it; without one it leaves an empty file, which no kill can
    // leave half-written.
    bool giveContent(qsizetype i, const QString &target, const std::vector<qint32> &withData, QString *failure)
    {
        const QByteArrayView name = m_names.bytesAt(i);
        const auto first = std::lower_bound(withData.begin(), withData.end(), name,
                                            [this](qint32 member, QByteArrayView n) { return lessBytes(m_names.bytesAt(member), n); });
        if (first == withData.end() || m_names.bytesAt(*first) != name || *first > i) {
            QFile empty(placedPath(i, target));
            errno = 0;
            if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return true;
            *failure = cannotBeWritten(target, errno, empty.errorString());
            return false;
        }
        const QString source = placedPath(*first, m_routing->targetOf(*first));
        QFile from(source);
        bool written = m_staging.begin(i, target) && from.open(QIODevice::ReadOnly);
        for (QByteArray piece; written && !(piece = from.read(1 << 20)).isEmpty();)
            written = m_staging.write(piece);
        written = written && m_staging.end() && (m_staging.isNewFolder() || m_staging.putInPlace(i, target));
        if (!written)
            *failure = m_staging.failed() ? m_staging.error()
                                          : QStringLiteral("%1 cannot be read: %2").arg(source, from.errorString());
        return written;
    }

    const QString m_packageFolder;
    StagingFolder &m_staging;
    const ExtractObserver *m_observer;
    MemberNames m_names;
    std::vector<bool> m_hasData;
    qsizetype m_dataEntries = 0;
    qsizetype m_current = -1;
    bool m_staged = false; // the current member is being written
    QByteArray m_catalogueBytes;
    std::unique_ptr<MemberRouting> m_routing;
    Refusal m_refusal = Refusal::None;
    QString m_misfit;
};

} // namespace

ExtractResult extractPack(const QString &packagePath, const QString &appDataFolder, Prompter &prompter,
                          ExtractObserver *observer)
{
    ExtractResult result;
    const QString title = fileNameOfPath(packagePath);
    bool finished = false;
    const auto finish = [&] {
        if (observer && !std::exchange(finished, true))
            observer->decodingFinished();
    };
    // A file that is no package, a damaged package and one that does not fit its catalogue are
    // told apart: the author's next step differs.
    const auto refuse = [&](ExtractResult::Status status) {
        finish();
        QString text = title + langText(LangEntry::NotAPackageMessage);
        if (status == ExtractResult::Status::Unreadable && startsAsHe3Stream(packagePath))
            text = langText(LangEntry::DamagedPackageMessage).arg(title, result.error.description);
        else if (status == ExtractResult::Status::Unreadable && !QFileInfo(packagePath).isReadable())
            text = result.error.description; // "cannot be read", with the system's reason
        else if (status == ExtractResult::Status::Invalid && !result.error.description.isEmpty())
            text = langText(LangEntry::MisfitPackageMessage).arg(title, result.misfit);
        prompter.show(text, MessageIcon::Critical, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        result.status = status;
        return result;
    };
    const auto notWritten = [&](const QString &failure) {
        finish();
        result.failure = failure;
        prompter.show(failure + QStringLiteral(". The current catalogue is unchanged."), MessageIcon::Critical,
                      MessageButtons::Ok, langText(LangEntry::MessageTitle));
        result.status = ExtractResult::Status::NotWritten;
        return result;
    };
    // One run from 0 to 100: reading the package to 90, putting its files in place the rest.
    const ProgressCallback progress = [observer](int percent) {
        if (observer)
            observer->progress(percent * 9 / 10);
    };
    const ProgressCallback placed = [observer](int percent) {
        if (observer)
            observer->progress(90 + percent / 10);
    };

    const QString root = extractionRoot(appDataFolder);
    const QString packageFolder = root + packageFolderName(packagePath) + u'/';
    result.packageFolder = packageFolder;
    const bool rootExisted = QFileInfo::exists(root);
    const bool packageFolderExisted = QFileInfo::exists(packageFolder);
    // Left by runs that were killed; a live one is another process's, which the data-folder lock
    // keeps from writing here at the same time.
    StagingFolder::removeStale(root);
    StagingFolder::removeStale(packageFolder);
    // A package opened for the first time gets its folder in one rename; one opened again keeps
    // what else its folder holds, so each file is renamed over its own.
    StagingFolder staging(packageFolder, packageFolderExisted ? StagingFolder::Kind::BesideFiles
                                                              : StagingFolder::Kind::NewFolder);
    // The folders this run created are removed again when it writes nothing.
    const auto removeCreatedFolders = [&] {
        staging.discard();
        if (!packageFolderExisted)
            QDir().rmdir(packageFolder);
        if (!rootExisted)
            QDir().rmdir(root);
    };

    if (observer)
        observer->decodingStarted();
    MemberStager stager(packageFolder, staging, observer);
    const bool read = readPackageImageFile(packagePath, stager, progress, &result.error);
    if (stager.refusal() == MemberStager::Refusal::NoCatalogue) {
        removeCreatedFolders();
        return refuse(ExtractResult::Status::Invalid);
    }
    if (stager.refusal() == MemberStager::Refusal::Misfit) {
        removeCreatedFolders();
        result.misfit = stager.misfitReason();
        result.error = {kErrComplaint, QStringLiteral("pckLoad"),
                        QStringLiteral("The package does not fit its catalogue: %1.").arg(result.misfit)};
        return refuse(ExtractResult::Status::Invalid);
    }
    if (observer && observer->cancelled()) {
        removeCreatedFolders();
        finish();
        result.status = ExtractResult::Status::Interrupted;
        return result;
    }
    if (!staging.waitForWrites()) {
        removeCreatedFolders();
        return notWritten(staging.error());
    }
    if (!read) {
        removeCreatedFolders();
        return refuse(ExtractResult::Status::Unreadable);
    }
    if (!stager.hasCatalogue()) {
        removeCreatedFolders();
        return refuse(ExtractResult::Status::Invalid);
    }
    QString failure;
    if (!stager.putInPlace(&failure, placed)) {
        removeCreatedFolders();
        return notWritten(failure);
    }
    if (observer)
        observer->progress(100);
    finish();
    if (stager.incomplete()) {
        prompter.message(LangEntry::PackageIncompleteMessage, MessageIcon::None);
        result.incomplete = true;
    }
    const QString catalogueFile = withTrailingSeparator(appDataFolder) + kCatalogueFileName;
    if (!writeIniFile(catalogueFile, stager.rewrittenCatalogue(), &result.failure))
        return notWritten(result.failure);
    // The catalogue member moved to the catalogue file: no copy of it stays in the package folder.
    if (const QString member = stager.catalogueMemberTarget(); !member.isEmpty() && QFileInfo(member) != QFileInfo(catalogueFile))
        QFile::remove(member);
    result.status = ExtractResult::Status::Extracted;
    return result;
}

void removeUnusedPackageFolders(const QString &appDataFolder, Prompter &prompter)
{
    const QString root = extractionRoot(appDataFolder);
    if (!QFileInfo(root).isDir())
        return;
    const QString catalogue = readLines(withTrailingSeparator(appDataFolder) + kCatalogueFileName).join(u'\n');
    const QStringList packages = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &package : packages) {
        if (!catalogue.contains(root + package + u'/'))
            deleteLabFolder(root + package, prompter);
    }
    QDir().rmdir(root); // only when nothing is left in it
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
