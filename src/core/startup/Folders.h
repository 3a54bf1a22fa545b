#pragma once

#include <QString>
#include <QStringList>

namespace fendrel {

inline const QString kVendorFolderName = QStringLiteral("Zelvan Software");
inline const QString kApplicationFolderName = QStringLiteral("Fendrel");
inline const QString kLabsFolderName = QStringLiteral("Zelvan Nodara Labs");
inline const QString kDataDirVariable = QStringLiteral("FENDREL_DATA_DIR");

// The places the operating system offers; tests substitute their own.
struct ShellFolders {
    QString commonAppData; // shared application data
    QString documents;     // the user's documents
    QString temp;          // temporary files
    static ShellFolders system();
};

// Folder finder: "Program", "App" or "User". Every folder it returns ends with "/".
class DirChecker {
public:
    explicit DirChecker(ShellFolders shell = ShellFolders::system(), QString programFolder = {});

    QString getPath(const QString &whichPath, const QString &vendor = {}, const QString &appName = {},
                    const QString &myDocSubFolder = {}) const;

    // Writability is tested by creating and deleting "permit.per", because permissions
    // alone do not tell whether a file can really be created there.
    static bool isWritable(const QString &folder);

private:
    ShellFolders m_shell;
    QString m_programFolder;
};

// The child of parent named name, letter case aside; created when missing.
// Returns the child's real name (which may differ in case from name) or an empty text on failure.
QString ensureChildFolder(const QString &parent, const QString &name);

// The folders the whole program works in, fixed once at start-up.
struct Folders {
    QString program;       // folder of the executable, ends with "/"
    QString appData;       // application data folder, ends with "/"
    QString documents;     // documents folder, ends with "/"
    QString labs;          // documents + "Zelvan Nodara Labs", no trailing "/"
    QString pathSeparator; // "/" unless the program folder already ends with one

    // dataDirOverride (or, when empty, FENDREL_DATA_DIR) replaces the application data folder.
    static Folders resolve(const QString &programDir, const ShellFolders &shell = ShellFolders::system(),
                           const QString &dataDirOverride = {});
};

// Where packages are extracted for editing: appDataFolder + "CompilerLabs/", one folder per package.
QString extractionRoot(const QString &appDataFolder);

// Process-wide folders; set once by start-up.
Folders &folders();

} // namespace fendrel

namespace fendrel {

// Program resources (lclang.bdb, help.pdf) live beside the executable, or in ../share/fendrel/
// when installed. Returns the first existing candidate, or an empty text.
QString findProgramResource(const QString &programFolder, const QString &fileName);
QStringList programResourceCandidates(const QString &programFolder, const QString &fileName);

} // namespace fendrel
