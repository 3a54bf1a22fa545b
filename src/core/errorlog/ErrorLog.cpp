#include "errorlog/ErrorLog.h"

#include "startup/Folders.h"
#include "startup/Settings.h"
#include "text/Windows1252.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>
#include <mutex>
#include <optional>

namespace fendrel {
namespace {

const QString kSettingsApplication = QStringLiteral("zelvan");
const QString kSettingsSection = QStringLiteral("settings");
const QString kMaximumSizeKey = QStringLiteral("fendrelefs");
const QString kArchivesKey = QStringLiteral("fendreleab");
const QString kLogFileName = QStringLiteral("fendrel_error.log");

const QString kDateFormat = QStringLiteral("MM-dd-yyyy");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");

bool isWholeNumber(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    return pattern.match(text).hasMatch();
}

// nullopt when the number does not fit in T.
template <typename T>
std::optional<T> toInteger(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(value);
}

// A compile on its own thread logs while the window may log too: one line and one rotation at a
// time.
std::mutex g_writing;

QStringList listArchivesUnsorted(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("vesk_*.log")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
}

} // namespace

ErrorLog::ErrorLog()
    : m_clock([] { return QDateTime::currentDateTime(); }), m_listArchives(listArchivesUnsorted)
{
}

void ErrorLog::initialize(const QString &appDataFolder, const QString &programFolder)
{
    QString logFolder = withTrailingSeparator(appDataFolder) + QStringLiteral("log");
    if (!QFileInfo(logFolder).isDir() && !QDir().mkpath(logFolder))
        logFolder = withTrailingSeparator(programFolder);
    m_logFilePath = withTrailingSeparator(logFolder) + kLogFileName;

    if (!QFileInfo::exists(m_logFilePath)) {
        QFile file(m_logFilePath);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    readSettings();
}

void ErrorLog::readSettings()
{
    m_maximumLogSize = kDefaultMaximumSize;
    m_archivesToKeep = kDefaultArchivesToKeep;

    const QString sizeText = getSetting(kSettingsApplication, kSettingsSection, kMaximumSizeKey,
                                        QString::number(kDefaultMaximumSize))
                                 .trimmed();
    bool sizeConverted = true;
    if (isWholeNumber(sizeText)) {
        const auto size = toInteger<qint32>(sizeText);
        if (!size)
            sizeConverted = false; // too large to hold: the archive setting is not read either
        else if (*size >= kMinimumMaximumSize && *size <= kMaximumMaximumSize)
            m_maximumLogSize = *size;
    }

    if (sizeConverted) {
        const QString keepText = getSetting(kSettingsApplication, kSettingsSection, kArchivesKey,
                                            QString::number(kDefaultArchivesToKeep))
                                     .trimmed();
        if (isWholeNumber(keepText)) {
            const auto keep = toInteger<qint16>(keepText);
            if (keep && *keep >= kMinimumArchivesToKeep && *keep <= kMaximumArchivesToKeep)
                m_archivesToKeep = *keep;
        }
    }

    saveSetting(kSettingsApplication, kSettingsSection, kMaximumSizeKey, QString::number(m_maximumLogSize));
    saveSetting(kSettingsApplication, kSettingsSection, kArchivesKey, QString::number(m_archivesToKeep));
}

QByteArray ErrorLog::formatLine(const QDateTime &when, const QString &procedure, const QString &module,
                                qint32 number, const QString &description)
{
    const QString line = u'[' + when.toString(kDateFormat) + QStringLiteral(" - ") + when.toString(kTimeFormat)
        + QStringLiteral("] - [") + procedure + QStringLiteral("][") + module + QStringLiteral("] - ")
        + QString::number(number) + QStringLiteral(" - ") + description;
    return toWindows1252(line) + "\r\n";
}

QString ErrorLog::archiveFileName(const QDateTime &when)
{
    return QStringLiteral("vesk_") + when.toString(kDateFormat) + u'_'
        + when.toString(kTimeFormat).replace(u':', u'-') + QStringLiteral(".log");
}

void ErrorLog::logError(const QString &procedure, const QString &module, qint32 number,
                        const QString &description) noexcept
{
    try {
        const std::lock_guard lock(g_writing);
        if (m_logFilePath.isEmpty())
            return;
        rotate();
        QFile file(m_logFilePath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(formatLine(m_clock(), procedure, module, number, description));
    } catch (...) {
        // The log is the last resort for reporting; it has nobody to report to.
    }
}

void ErrorLog::rotate()
{
    const qint64 size = QFileInfo(m_logFilePath).size();
    if (size == 0 || size < m_maximumLogSize)
        return;

    const QString folder = QFileInfo(m_logFilePath).path() + u'/';
    const QString name = archiveFileName(m_clock());
    QString archive = folder + name;
    // Two rotations in one second would share a name; keep the earlier archive instead of losing it.
    for (int n = 2; QFileInfo::exists(archive); ++n)
        archive = folder + name.chopped(4) + u'_' + QString::number(n) + QStringLiteral(".log");

    QFile::copy(m_logFilePath, archive);
    QFile log(m_logFilePath);
    if (log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        log.close();
    cleanUpArchives(archive);
}

void ErrorLog::cleanUpArchives(const QString &newArchive)
{
    QStringList kept{m_logFilePath, newArchive};
    const QString folder = withTrailingSeparator(QFileInfo(newArchive).path());
    if (!QFileInfo(folder).isDir())
        return;

    QStringList candidates;
    for (const QString &fileName : m_listArchives(folder)) {
        const QString path = folder + fileName;
        if (!kept.contains(path, Qt::CaseSensitive))
            candidates.append(path);
    }
    const qsizetype total = candidates.size() + 1;
    if (total <= m_archivesToKeep)
        return;
    const qsizetype surplus = total - m_archivesToKeep;
    for (qsizetype i = 0; i < surplus; ++i) {
        if (QFileInfo::exists(candidates.at(i)))
            QFile::remove(candidates.at(i));
    }
}

ErrorLog &errorLog()
{
    static ErrorLog log;
    return log;
}

} // namespace fendrel
