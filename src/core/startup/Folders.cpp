#include "startup/Folders.h"
#include "text/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace fendrel {

ShellFolders ShellFolders::system()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::tempPath()};
}

QString ensureChildFolder(const QString &parent, const QString &name)
{
    QDir dir(parent);
    const QStringList existing = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &entry : existing) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    if (!dir.mkpath(name))
        return {};
    return name;
}

DirChecker::DirChecker(ShellFolders shell, QString programFolder)
    : m_shell(std::move(shell)), m_programFolder(std::move(programFolder))
{
}

bool DirChecker::isWritable(const QString &folder)
{
    const QString probe = withTrailingSeparator(folder) + QStringLiteral("permit.per");
    if (QFileInfo::exists(probe)) {
        QFile::remove(probe);
        if (QFileInfo::exists(probe))
            return false;
    }
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool written = file.write("A\r\n") == 3;
    file.close();
    const bool exists = QFileInfo::exists(probe);
    if (exists)
        QFile::remove(probe);
    return written && exists;
}

QString DirChecker::getPath(const QString &whichPath, const QString &vendor, const QString &appName,
                            const QString &myDocSubFolder) const
{
    if (whichPath == u"Program") {
        const QString program =
            m_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_programFolder;
        return withTrailingSeparator(program);
    }
    if (whichPath == u"User") {
        const QString documents = withTrailingSeparator(m_shell.documents);
        if (!myDocSubFolder.isEmpty() && !documents.isEmpty())
            ensureChildFolder(documents, myDocSubFolder);
        return documents;
    }
    if (whichPath == u"App") {
        QString path = withTrailingSeparator(m_shell.commonAppData);
        if (path.isEmpty() || !QDir().mkpath(path) || !isWritable(path))
            path = withTrailingSeparator(m_shell.temp);
        for (const QString &part : {vendor, appName}) {
            if (part.isEmpty())
                continue;
            const QString real = ensureChildFolder(path, part);
            path = withTrailingSeparator(path + (real.isEmpty() ? part : real));
        }
        return path;
    }
    return {};
}

Folders Folders::resolve(const QString &programDir, const ShellFolders &shell, const QString &dataDirOverride)
{
    const DirChecker checker(shell, programDir);
    Folders f;
    f.program = checker.getPath(QStringLiteral("Program"));

    QString dataDir = dataDirOverride;
    if (dataDir.isEmpty())
        dataDir = qEnvironmentVariable(kDataDirVariable.toLatin1().constData());
    if (!dataDir.isEmpty()) {
        QDir().mkpath(dataDir);
        f.appData = withTrailingSeparator(QDir::cleanPath(QDir(dataDir).absolutePath()));
    } else {
        f.appData = checker.getPath(QStringLiteral("App"), kVendorFolderName, kApplicationFolderName);
    }

    f.documents = checker.getPath(QStringLiteral("User"), {}, {}, kLabsFolderName);
    const QString labsName = ensureChildFolder(f.documents, kLabsFolderName);
    f.labs = f.documents + (labsName.isEmpty() ? kLabsFolderName : labsName);
    const QString reported = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    f.pathSeparator = reported.endsWith(u'/') || reported.endsWith(u'\\') ? QString() : QStringLiteral("/");
    return f;
}

Folders &folders()
{
    static Folders instance;
    return instance;
}

} // namespace fendrel

namespace fendrel {

QStringList programResourceCandidates(const QString &programFolder, const QString &fileName)
{
    const QString program = withTrailingSeparator(programFolder);
    return {program + fileName,
            QDir::cleanPath(program + QStringLiteral("../share/fendrel/") + fileName)};
}

QString extractionRoot(const QString &appDataFolder)
{
    return withTrailingSeparator(appDataFolder) + QStringLiteral("CompilerLabs/");
}

QString findProgramResource(const QString &programFolder, const QString &fileName)
{
    for (const QString &candidate : programResourceCandidates(programFolder, fileName)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace fendrel
