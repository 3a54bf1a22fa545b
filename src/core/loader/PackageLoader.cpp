#include "loader/PackageLoader.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "interaction/Prompter.h"
#include "package/NetworkConfiguration.h"
#include "package/PackageImage.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <optional>

namespace fendrel {
namespace {

const QString kExtractionRootName = QStringLiteral("CompilerLabs");

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
    case Route::Document: return QStringLiteral("Link");
    case Route::Picture: return QStringLiteral("Picture");
    case Route::LoadingConfiguration: return QStringLiteral("LoadNWCFile");
    case Route::Topology: return QStringLiteral("TopFile");
    case Route::GradingConfiguration: return QStringLiteral("NWCFile");
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

bool writeWhole(const QString &path, QByteArrayView data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data.data(), data.size()) == data.size();
}

QString sectionOf(int s)
{
    return QStringLiteral("Section") + QString::number(s);
}

} // namespace

QString packageFolderName(const QString &packagePath)
{
    QString name = withoutSeparators(QString(fileNameOfPath(packagePath)).remove(QStringLiteral(".lab")));
    if (name.isEmpty() || name == u"." || name == u"..")
        name = QStringLiteral("_") + name;
    return name;
}

ExtractResult extractPack(const QString &packagePath, const QString &appDataFolder, Prompter &prompter,
                          ExtractObserver *observer)
{
    ExtractResult result;
    const QString title = fileNameOfPath(packagePath);
    const auto refuse = [&](ExtractResult::Status status) {
        prompter.show(title + langText(121), MessageIcon::Critical, MessageButtons::Ok, langText(kMessageTitleEntry));
        result.status = status;
        return result;
    };

    if (observer)
        observer->decodingStarted();
    const std::optional<std::vector<std::uint8_t>> decoded = readPackageFile(
        packagePath, [observer](int percent) { if (observer) observer->progress(percent); }, &result.error);
    if (observer)
        observer->decodingFinished();
    if (!decoded)
        return refuse(ExtractResult::Status::Unreadable);
    QString malformed;
    const std::optional<PackageImage> image = readPackageImage(viewOf(*decoded), &malformed);
    if (!image) {
        result.error = {0, QStringLiteral("pckLoad"), malformed};
        return refuse(ExtractResult::Status::Unreadable);
    }
    if (image->names.isEmpty() || routeOf(image->names.first()) != Route::Catalogue)
        return refuse(ExtractResult::Status::Invalid);

    const QString packageFolder = withTrailingSeparator(appDataFolder) + kExtractionRootName + u'/'
        + packageFolderName(packagePath) + u'/';
    QDir().mkpath(packageFolder);
    result.packageFolder = packageFolder;

    int s = 0;
    int l = 0;
    int counted = 0;
    int sectionsCounted = 0;
    QString sectionName;
    QString labName;
    QString labFolder = packageFolder;
    QString commonFolder = packageFolder;
    QString cataloguePath;
    IniDocument catalogue;
    QHash<QString, QByteArrayView> firstContentOf; // shared documents and pictures by member name

    const auto readNames = [&] {
        sectionName = catalogue.read(sectionOf(s), QStringLiteral("SectionName"));
        labName = catalogue.read(sectionOf(s), QStringLiteral("Lab") + QString::number(l));
    };
    // An empty section has no members; skipping it keeps the next section's labs in their place.
    const auto skipEmptySections = [&] {
        while (catalogue.readInt(sectionOf(s), QStringLiteral("NumberOfEntries"), 0) <= 0
               && !catalogue.read(sectionOf(s + 1), QStringLiteral("SectionName")).isEmpty())
            ++s;
    };

    for (qsizetype i = 0; i < image->names.size(); ++i) {
        const QString &name = image->names[i];
        const Route route = routeOf(name);
        const QString fileName = memberFileName(name);
        if (route == Route::Document || route == Route::Picture) {
            const QString sectionFolder = packageFolder + folderComponent(sectionName);
            labFolder = sectionFolder + folderComponent(labName);
            commonFolder = sectionFolder + QStringLiteral("common/");
            QDir().mkpath(labFolder);
            QDir().mkpath(commonFolder);
        }
        QString target;
        switch (route) {
        case Route::Catalogue: target = packageFolder + fileName; break;
        case Route::Document:
        case Route::Picture: target = commonFolder + fileName; break;
        case Route::LoadingConfiguration: target = labFolder + fileName.chopped(fileName.isEmpty() ? 0 : 1); break;
        default: target = labFolder + fileName; break;
        }

        if (i >= image->data.size()) {
            prompter.message(77, MessageIcon::None);
        } else if (!fileName.isEmpty()) {
            const std::optional<QByteArrayView> &data = image->data[i];
            if (data) {
                writeWhole(target, *data);
                if (!firstContentOf.contains(name))
                    firstContentOf.insert(name, *data);
            } else if (!QFileInfo::exists(target)) {
                writeWhole(target, firstContentOf.value(name));
            }
        }

        if (route == Route::Catalogue) {
            if (!cataloguePath.isEmpty())
                writeIniFile(cataloguePath, catalogue.lines());
            cataloguePath = target;
            catalogue = IniDocument(i < image->data.size() && image->data[i] ? parseIniLines(*image->data[i])
                                                                             : readLines(target));
            skipEmptySections();
            readNames();
            continue;
        }

        const qint16 entries = catalogue.readInt(sectionOf(s), QStringLiteral("NumberOfEntries"), 0);
        const qint16 optional = catalogue.readInt(sectionOf(s), QStringLiteral("OptFiles") + QString::number(l), 0);
        if (route != Route::Other) {
            if (!fileName.isEmpty())
                catalogue.write(sectionOf(s), keyOf(route) + QString::number(l), target);
            ++counted;
            if (route == Route::Document && l == 0)
                ++sectionsCounted;
        }
        if (counted >= optional + 2) {
            ++l;
            counted = 0;
            readNames();
        }
        if (l > entries - 1) {
            ++s;
            l = 0;
            skipEmptySections();
            readNames();
        }
    }

    catalogue.write(QStringLiteral("General"), QStringLiteral("NumOfSections"), QString::number(sectionsCounted));
    const QString catalogueFile = withTrailingSeparator(appDataFolder) + kCatalogueFileName;
    if (writeIniFile(catalogueFile, catalogue.lines()) && QFileInfo(cataloguePath) != QFileInfo(catalogueFile))
        QFile::remove(cataloguePath);
    result.status = ExtractResult::Status::Extracted;
    return result;
}

ExtractResult openLabPackage(Catalogue &catalogue, KeyArray &records, SkuTree &skus, const QString &packagePath,
                             const QString &appDataFolder, Prompter &prompter, ExtractObserver *observer)
{
    const ExtractResult result = extractPack(packagePath, appDataFolder, prompter, observer);
    if (result.status == ExtractResult::Status::Unreadable)
        logError(QStringLiteral("Load Lab Pack - Click"), kMainWindowLabel, result.error.number,
                 result.error.description);
    if (result.status == ExtractResult::Status::Extracted)
        createNewTree(catalogue, records, skus, prompter, appDataFolder);
    return result;
}

} // namespace fendrel
