#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueTree.h"
#include "package/PackageFile.h"
#include "package/PackageImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <vector>

namespace fendrel::test {

// A catalogue built in code over real files in a temporary folder.
struct PackageFixture {
    QTemporaryDir dir;
    QString data = dir.path() + QStringLiteral("/data/");  // application data folder
    QString files = dir.path() + QStringLiteral("/files/"); // the author's files
    Catalogue catalogue;
    ScriptedPrompter prompter;

    PackageFixture()
    {
        QDir().mkpath(data);
        QDir().mkpath(files);
        catalogue.setIniPath(data + QStringLiteral("Fendrel.ini"));
        catalogue.clear(QStringLiteral("Tab"), QStringLiteral("0100000"));
    }

    QString file(const QString &relative, const QByteArray &content)
    {
        const QString path = files + relative;
        QDir().mkpath(QFileInfo(path).path());
        writeFile(path, content);
        return path;
    }

    void section(const QString &name) { catalogue.insertSection(name); }

    QString lab(const QString &sectionName, const QString &name, const LabRecord &r)
    {
        return catalogue.insertLab(catalogue.tree().nodeByKey(sectionKey(sectionName)), name, r)->key();
    }

    static LabRecord record(const QString &link, const QString &top, const QString &picture = {},
                            const QString &grading = {}, const QString &loading = {})
    {
        LabRecord r;
        r.link = link;
        r.topFile = top;
        r.picture = picture;
        r.nwcFile = grading;
        r.loadNwcFile = loading;
        r.linkPage = QStringLiteral("1");
        return r;
    }

    // A valid configuration with the given number of routers and its device files beside it.
    QString configuration(const QString &relative, int routers)
    {
        const QString path = file(relative, QStringLiteral("Number of Devices = %1\r\nnumber of routers=%1\r\n"
                                                           "number of switches = 0\r\nnumber of pcs = 0\r\n")
                                                .arg(routers)
                                                .toLatin1());
        for (int i = 1; i <= routers; ++i)
            writeFile(QString(path).replace(QStringLiteral(".nwc"), QStringLiteral("%1.rtr").arg(i)),
                      QStringLiteral("hostname R%1\r\n").arg(i).toLatin1());
        return path;
    }
};

inline std::vector<std::uint8_t> decodedPackage(const QString &path)
{
    std::vector<std::uint8_t> image;
    PackageFileError error;
    const bool read = readPackageFile(
        path, {},
        [&image](QByteArrayView piece) {
            image.insert(image.end(), piece.begin(), piece.end());
            return true;
        },
        &error);
    return read ? image : std::vector<std::uint8_t>{};
}

// Writes a package of the given members, as a crafted or damaged package would arrive.
inline void writeCraftedPackage(const QString &path, QList<PackageMember> members)
{
    PackageFileError failure;
    writePackageFile(path, std::move(members), {}, &failure);
}

} // namespace fendrel::test
