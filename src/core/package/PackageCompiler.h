#pragma once

#include "package/CatalogueCheck.h"
#include "package/PackageFile.h"
#include "package/PackageImage.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace fendrel {

class Catalogue;
class Prompter;

// Collects the catalogue file and every file the labs name into the member lists of a package,
// then writes the package. Member order: the catalogue, then lab by lab in tree order its
// document, topology file, picture, grading configuration with its device configurations and
// loading configuration with its device configurations.
class PackageCompiler {
public:
    // checked, when given, is what a catalogue check learned about the files: the compiler takes
    // it as it stands rather than looking at those files again.
    explicit PackageCompiler(Prompter &prompter, const CheckedFiles *checked = nullptr)
        : m_prompter(prompter), m_checked(checked)
    {
    }

    void resetMembers()
    {
        m_members.clear();
        m_names.clear();
    }
    // A loading configuration is stored under its file name followed by "l". known is what an
    // earlier look found of the file, content its bytes as they were read then.
    void addPackageMember(const QString &path, bool nameOnly, bool loadingConfiguration = false,
                          const FileStatus *known = nullptr, const std::optional<QByteArray> &content = std::nullopt);
    // Whether a member of the same file name (exact case) is already listed.
    bool isPackaged(const QString &path) const;

    // Lists the members of a catalogue saved in catalogueFolder; catalogueBytes, when given, are
    // the saved file's bytes, which the package then carries without looking at the file (or
    // carryCatalogue gives them later). labProgress receives the share of labs done (0..100).
    // False when a configuration check stopped the compilation.
    bool gatherMembers(const Catalogue &catalogue, const QString &catalogueFolder,
                       const ProgressCallback &labProgress = {},
                       const std::optional<QByteArray> &catalogueBytes = std::nullopt);

    // Member 1, the catalogue, carries saved, the catalogue file's bytes as they were saved.
    void carryCatalogue(const QByteArray &saved);

    // Writes the gathered members as a compressed package. Failures are logged, not shown;
    // failure receives what went wrong, naming the file and the reason.
    bool writePackage(const QString &packagePath, const ProgressCallback &progress = {}, QString *failure = nullptr);

    const QList<PackageMember> &members() const { return m_members; }

private:
    Prompter &m_prompter;
    const CheckedFiles *m_checked;
    QString m_filesFolder; // the catalogue's, for relative paths
    QList<PackageMember> m_members;
    QSet<QString> m_names; // of m_members, so that a catalogue of thousands of labs is not scanned per lab
};

// What a compilation came to.
enum class CompileOutcome {
    NothingToCompile, // the catalogue holds only its tab (NothingToCompileMessage shown)
    Aborted,          // a configuration check stopped it; nothing written
    WriteFailed,      // the package could not be written (logged); an existing one is unchanged
    Interrupted,      // the observer cancelled it; an existing package and the catalogue file are unchanged
    CatalogueNotSaved, // the catalogue file could not be written (logged, failure says why); no package written
    Written,
};

// The phases a compilation shows while it runs.
class CompileObserver {
public:
    virtual ~CompileObserver() = default;
    virtual void gatheringStarted() {}
    virtual void compressingStarted() {}
    virtual void progress(int /*percent*/) {}
    // Asked at each step of progress; true stops the compilation with the package unchanged.
    virtual bool cancelled() const { return false; }
};

// Whether a compilation saves the catalogue file, or only puts what it would save into the
// package: a catalogue loaded from a scratch copy that nobody reads again needs no saving.
enum class CatalogueSaving { SaveFile, PackageOnly };

// The compile command after its dialog: saves the catalogue file (as saving says), gathers the
// members and writes the package.
// checked: as for PackageCompiler.
CompileOutcome compileCatalogue(const Catalogue &catalogue, const QString &packagePath,
                                Prompter &prompter, CompileObserver *observer = nullptr, QString *failure = nullptr,
                                const CheckedFiles *checked = nullptr,
                                CatalogueSaving saving = CatalogueSaving::SaveFile);

} // namespace fendrel
