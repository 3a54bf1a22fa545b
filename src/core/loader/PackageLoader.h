#pragma once

#include "package/PackageFile.h"

#include <QString>

namespace fendrel {

class Catalogue;
class Prompter;

// What an extraction shows while it runs: one progress from 0 to 100 over reading the package
// and putting its files in place.
class ExtractObserver {
public:
    virtual ~ExtractObserver() = default;
    virtual void decodingStarted() {}
    virtual void progress(int /*percent*/) {}
    virtual void decodingFinished() {}
    // Asked while the package is read; true stops the extraction with nothing changed.
    virtual bool cancelled() const { return false; }
};

struct ExtractResult {
    enum class Status {
        Extracted,  // members written, the catalogue file replaced
        Invalid,    // member 1 is no catalogue (NotAPackageMessage shown), or the members do not fit it
                    // (MisfitPackageMessage); nothing written
        Unreadable, // the file could not be read, expanded or parsed (DamagedPackageMessage when it is an HE3
                    // stream, else NotAPackageMessage); nothing written
        NotWritten, // a member or the catalogue file could not be written (said, with the reason); the old catalogue stays
        Interrupted, // the observer cancelled it; nothing written
    };
    Status status = Status::Unreadable;
    QString packageFolder;
    PackageFileError error; // why it was unreadable or did not fit its catalogue
    bool incomplete = false; // members without data were met (message 77 shown); the rest was extracted
    QString failure;         // why it was not written
    QString misfit;          // why the members do not fit the catalogue (Invalid)
};

// The folder a package extracts into below the extraction root: the package's file name with
// every ".lab" removed, as one safe folder name.
QString packageFolderName(const QString &packagePath);

// Unpacks a package below the extraction root, rewrites the file keys of its
// catalogue to name the extracted files and makes it the application's catalogue file.
// Names read from the package never place a file outside the package folder.
ExtractResult extractPack(const QString &packagePath, const QString &appDataFolder, Prompter &prompter,
                          ExtractObserver *observer = nullptr);

// What the window does when it closes: removes the package folders below the extraction root
// that the catalogue file no longer names. A package folder the catalogue still uses stays
// whole, so that a catalogue opened from a package keeps its files after a restart.
void removeUnusedPackageFolders(const QString &appDataFolder, Prompter &prompter);

// The open command after its dialog: extracts the package and rebuilds the catalogue from it.
// The key array is not re-initialised: records of the previous catalogue stay unreferenced.
ExtractResult openLabPackage(Catalogue &catalogue, const QString &packagePath,
                             const QString &appDataFolder, Prompter &prompter, ExtractObserver *observer = nullptr);

} // namespace fendrel
