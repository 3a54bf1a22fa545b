#pragma once

#include "package/PackageFile.h"

#include <QString>

namespace fendrel {

class Catalogue;
class Prompter;

// The phases an extraction shows while it runs.
class ExtractObserver {
public:
    virtual ~ExtractObserver() = default;
    virtual void decodingStarted() {}
    // The package proved sound; it is read again to write its members.
    virtual void writingStarted() {}
    virtual void progress(int /*percent*/) {}
    virtual void decodingFinished() {}
};

struct ExtractResult {
    enum class Status {
        Extracted,  // members written, the catalogue file replaced
        Invalid,    // member 1 is no catalogue (NotAPackageMessage shown); nothing written
        Unreadable, // the file could not be read, expanded or parsed (NotAPackageMessage shown); nothing written
        NotWritten, // the catalogue file could not be replaced (said, with the reason); the old one stays
    };
    Status status = Status::Unreadable;
    QString packageFolder;
    PackageFileError error; // why it was unreadable
    bool incomplete = false; // members without data were met (message 77 shown); the rest was extracted
    QString failure;         // why it was not written
};

// The folder a package extracts into below the extraction root: the package's file name with
// every ".lab" removed, as one safe folder name.
QString packageFolderName(const QString &packagePath);

// Unpacks a package below appDataFolder + "CompilerLabs", rewrites the file keys of its
// catalogue to name the extracted files and makes it the application's catalogue file.
// Names read from the package never place a file outside the package folder.
ExtractResult extractPack(const QString &packagePath, const QString &appDataFolder, Prompter &prompter,
                          ExtractObserver *observer = nullptr);

// The open command after its dialog: extracts the package and rebuilds the catalogue from it.
// The key array is not re-initialised: records of the previous catalogue stay unreferenced.
ExtractResult openLabPackage(Catalogue &catalogue, const QString &packagePath,
                             const QString &appDataFolder, Prompter &prompter, ExtractObserver *observer = nullptr);

} // namespace fendrel
