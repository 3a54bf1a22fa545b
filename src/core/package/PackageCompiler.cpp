#include "package/PackageCompiler.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "interaction/Prompter.h"
#include "io/CheckedWriter.h"
#include "io/FileKind.h"
#include "package/NetworkConfiguration.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <future>
#include <optional>
#include <system_error>
#include <utility>

namespace fendrel {
namespace {

// Runs work on a thread of its own, or when no thread can be had, once its result is asked for.
template <typename Work>
auto besideThisThread(const Work &work)
{
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error &) {
        return std::async(std::launch::deferred, work);
    }
}

} // namespace

void PackageCompiler::addPackageMember(const QString &path, bool nameOnly, bool loadingConfiguration,
                                       const FileStatus *known, const std::optional<QByteArray> &content)
{
    if (path.isEmpty())
        return;
    PackageMember member{fileNameOfPath(path) + (loadingConfiguration ? QStringLiteral("l") : QString()), {}, {}};
    const QString source = resolvedPath(path, m_filesFolder);
    // The content is read when the image is built, straight into it; here the file only has to
    // be there and readable, as the check (or one look now) found it.
    std::optional<FileStatus> status;
    if (content || known) {
        status = known ? *known : FileStatus{};
    } else {
        const LabFileFacts *checked = m_checked ? m_checked->find(path) : nullptr;
        std::optional<LabFileFacts> looked;
        if (!checked)
            looked = lookAtLabFile(source, LookAt::NotConfiguration);
        const LabFileFacts &facts = checked ? *checked : *looked;
        if (facts.readable) {
            status = facts.status;
        } else {
            const QString why = !facts.status.exists  ? QStringLiteral("The file does not exist.")
                : !facts.status.regular               ? QStringLiteral("It %1.").arg(facts.status.why)
                                                      : QStringLiteral("The file cannot be read.");
            m_prompter.show(QStringLiteral("%1\r\n%2").arg(path, why), MessageIcon::Exclamation, MessageButtons::Ok,
                            langText(LangEntry::MessageTitle));
        }
    }
    if (status && !nameOnly) {
        if (content) {
            member.data = content;
        } else {
            member.source = source;
            member.sourceSize = status->size;
            member.sourceModified = status->modified;
        }
    }
    m_names.insert(member.name);
    m_members.append(std::move(member));
}

void PackageCompiler::carryCatalogue(const QByteArray &saved)
{
    if (!m_members.isEmpty())
        m_members.first().data = saved;
}

bool PackageCompiler::isPackaged(const QString &path) const
{
    return m_names.contains(fileNameOfPath(path));
}

bool PackageCompiler::gatherMembers(const Catalogue &catalogue, const QString &catalogueFolder,
                                    const ProgressCallback &labProgress, const std::optional<QByteArray> &catalogueBytes)
{
    resetMembers();
    // A lab has five files and two device configurations or so; growing the lists a member at a
    // time showed in a large catalogue's compile.
    const qsizetype likely = qsizetype(catalogue.tree().count()) * 7;
    m_members.reserve(likely);
    m_names.reserve(likely);
    m_filesFolder = catalogue.filesFolder();
    addPackageMember(withTrailingSeparator(catalogueFolder) + kCatalogueFileName, false, false, nullptr, catalogueBytes);

    const qint32 upperBound = catalogue.records().upperBound();
    QHash<QString, NetworkConfigurationCheck> checkOf;
    qint32 labs = 0;
    for (const CatalogueNode *section : catalogue.sections()) {
        for (const CatalogueNode *lab : section->children()) {
            ++labs;
            // Unreferenced records can make the share pass 100; the bar simply ignores it there.
            if (labProgress && upperBound > 0 && labs * 100 / upperBound <= 100)
                labProgress(labs * 100 / upperBound);
            const LabRecord *record = catalogue.recordOf(*lab);
            if (!record) {
                m_prompter.message(LangEntry::LabLeftOutMessage, MessageIcon::None);
                continue;
            }
            const LabRecord &r = *record;
            // A configuration is checked (and an empty one asked about) once per compilation.
            for (const QString &path : {r.nwcFile, r.loadNwcFile}) {
                if (trimSpaces(path).isEmpty() || checkOf.contains(path))
                    continue;
                const LabFileFacts *checked = m_checked ? m_checked->find(path) : nullptr;
                NetworkConfigurationCheck check = checked && checked->configuration
                    ? *checked->configuration
                    : checkNetworkConfiguration(resolvedPath(path, m_filesFolder));
                if (!verifyAndCollectRtr(check, path, m_prompter))
                    return false;
                checkOf.insert(path, std::move(check));
            }

            addPackageMember(r.link, isPackaged(r.link));
            addPackageMember(r.topFile, false);
            if (!r.picture.isEmpty())
                addPackageMember(r.picture, isPackaged(r.picture));
            for (const auto &[path, isLoading] : {std::pair{r.nwcFile, false}, std::pair{r.loadNwcFile, true}}) {
                if (trimSpaces(path).isEmpty())
                    continue;
                // The configuration travels as the check read it: read once, and what was checked.
                const NetworkConfigurationCheck &check = checkOf[path];
                addPackageMember(path, false, isLoading, nullptr, check.content);
                for (qsizetype d = 0; d < check.devicePaths.size(); ++d)
                    addPackageMember(check.devicePaths[d], false, false, &check.deviceFiles[d]);
            }
        }
    }
    return true;
}

bool PackageCompiler::writePackage(const QString &packagePath, const ProgressCallback &progress, QString *failure)
{
    PackageFileError error;
    const bool written = writePackageFile(packagePath, std::exchange(m_members, {}), progress, &error);
    m_names.clear();
    if (!written) {
        logError(QStringLiteral("Saving"), QStringLiteral("Create Pack"), error.number, error.description);
        if (failure)
            *failure = error.description;
    }
    return written;
}

CompileOutcome compileCatalogue(const Catalogue &catalogue, const QString &packagePath, Prompter &prompter,
                                CompileObserver *observer, QString *failure, const CheckedFiles *checked,
                                CatalogueSaving saving)
{
    if (catalogue.tree().count() <= 1) {
        prompter.message(LangEntry::NothingToCompileMessage, MessageIcon::Exclamation);
        return CompileOutcome::NothingToCompile;
    }
    // A cancelled compilation leaves the catalogue file as it was too.
    std::optional<QByteArray> savedBefore;
    if (QFile before(catalogue.iniPath()); saving == CatalogueSaving::SaveFile && observer && before.open(QIODevice::ReadOnly))
        savedBefore = before.readAll();
    const auto restoreCatalogueFile = [&] {
        if (saving == CatalogueSaving::PackageOnly)
            return;
        if (!savedBefore) {
            QFile::remove(catalogue.iniPath());
            return;
        }
        CheckedWriter file(catalogue.iniPath());
        if (!(file.open() && file.write(*savedBefore) && file.commit()))
            logError(QStringLiteral("Save Lab Pack - Click"), kMainWindowLabel, kErrFileAccess, file.error());
    };
    // A package whose member 1 is an older catalogue than its labs would be worse than none. The
    // catalogue is saved while the members are gathered, and the package carries the bytes saved;
    // what the saving has to say is said after the gathering.
    QString saveFailure;
    HeldMessages savingSays;
    const auto save = [&]() -> std::optional<QByteArray> {
        std::optional<QByteArray> bytes = catalogueFileBytes(catalogue, savingSays, &saveFailure);
        if (bytes && saving == CatalogueSaving::SaveFile && !writeIniFile(catalogue.iniPath(), *bytes, &saveFailure))
            bytes.reset();
        return bytes;
    };

    // Leaves the gathering or the codec from inside its progress report; the package writer's
    // scratch and temporary files go with the stack.
    struct Cancelled {};
    const auto report = [observer](int percent) {
        if (!observer)
            return;
        observer->progress(percent);
        if (observer->cancelled())
            throw Cancelled{};
    };
    try {
        // Leaving this block in any way waits for the saving.
        std::future<std::optional<QByteArray>> saved = besideThisThread(save);
        if (observer)
            observer->gatheringStarted();
        PackageCompiler compiler(prompter, checked);
        const bool gathered = compiler.gatherMembers(catalogue, QFileInfo(catalogue.iniPath()).path(), report, QByteArray());
        const std::optional<QByteArray> catalogueBytes = saved.get();
        savingSays.tellTo(prompter);
        if (!catalogueBytes) {
            logError(QStringLiteral("Save Lab Pack - Click"), kMainWindowLabel, kErrFileAccess, saveFailure);
            if (failure)
                *failure = saveFailure;
            return CompileOutcome::CatalogueNotSaved;
        }
        compiler.carryCatalogue(*catalogueBytes);
        if (!gathered) {
            logError(QStringLiteral("Save Lab Pack - Click"), kMainWindowLabel, kErrComplaint, QString());
            return CompileOutcome::Aborted;
        }
        if (observer)
            observer->compressingStarted();
        return compiler.writePackage(packagePath, report, failure) ? CompileOutcome::Written : CompileOutcome::WriteFailed;
    } catch (const Cancelled &) {
        restoreCatalogueFile();
        return CompileOutcome::Interrupted;
    }
}

} // namespace fendrel
