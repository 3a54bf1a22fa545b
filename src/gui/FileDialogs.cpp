#include "gui/FileDialogs.h"

#include "startup/LanguageTable.h"
#include "startup/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace fendrel::gui {
namespace {

QString settingName(DialogKind kind)
{
    switch (kind) {
    case DialogKind::Document: return QStringLiteral("Document");
    case DialogKind::Topology: return QStringLiteral("Topology");
    case DialogKind::Picture: return QStringLiteral("Picture");
    case DialogKind::Configuration: return QStringLiteral("Configuration");
    case DialogKind::PackageOpen: return QStringLiteral("PackageOpen");
    case DialogKind::PackageSave: return QStringLiteral("PackageSave");
    }
    return {};
}

} // namespace

DialogKind dialogKindOf(LabFileField field)
{
    switch (field) {
    case LabFileField::Document: return DialogKind::Document;
    case LabFileField::Topology: return DialogKind::Topology;
    case LabFileField::Picture: return DialogKind::Picture;
    case LabFileField::GradingConfiguration:
    case LabFileField::LoadingConfiguration: break;
    }
    return DialogKind::Configuration;
}

QList<FileFilter> withAllSupported(const QList<FileFilter> &kinds)
{
    QStringList patterns;
    for (const FileFilter &kind : kinds) {
        for (const QString &glob : kind.pattern.split(u';', Qt::SkipEmptyParts)) {
            if (!patterns.contains(glob, Qt::CaseInsensitive))
                patterns << glob;
        }
    }
    QList<FileFilter> filters{{langText(LangEntry::AllSupportedFilesFilter), patterns.join(u';')}};
    filters << kinds;
    filters << FileFilter{langText(LangEntry::AllFilesFilter), QStringLiteral("*")};
    return filters;
}

QStringList chooseRemembered(FileChooser &chooser, DialogKind kind, FileRequest request)
{
    // A remembered folder that has gone since (a removed stick, a deleted folder) is passed over.
    const QString remembered = getDialogFolder(settingName(kind));
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        request.initialFolder = remembered;
    const QStringList chosen = chooser.choose(request);
    if (!chosen.isEmpty()) {
        const QString folder = QFileInfo(chosen.first()).absolutePath();
        if (QFileInfo(folder).isDir())
            saveDialogFolder(settingName(kind), QDir::cleanPath(folder));
    }
    return chosen;
}

QString chooseRememberedFile(FileChooser &chooser, DialogKind kind, const FileRequest &request)
{
    const QStringList chosen = chooseRemembered(chooser, kind, request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString suggestedPackageName(const QString &tabTitle)
{
    // What Windows refuses in a name, so that a package named here can be copied to the machines
    // the simulator runs on; control characters no system wants.
    static const QString kRefused = QStringLiteral("\\/:*?\"<>|");
    QString name;
    for (const QChar c : tabTitle)
        name += (kRefused.contains(c) || c.category() == QChar::Other_Control) ? QChar(u'_') : c;
    // Windows drops trailing dots and spaces; a leading dot hides the file elsewhere.
    while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace()))
        name.chop(1);
    while (!name.isEmpty() && (name.front() == u'.' || name.front().isSpace()))
        name.remove(0, 1);
    return name.isEmpty() ? QString() : name + QStringLiteral(".lab");
}

} // namespace fendrel::gui
