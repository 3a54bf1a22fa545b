#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace fendrel {

// The program's one error log: "fendrel_error.log" in the "log" folder of the application data
// folder, rotated into "vesk_<date>_<time>.log" archives once it reaches its size limit.
// Logging never throws and never shows anything: a failure to log loses that one entry.
class ErrorLog {
public:
    static constexpr qint32 kDefaultMaximumSize = 524288;
    static constexpr qint32 kMinimumMaximumSize = 16384;
    static constexpr qint32 kMaximumMaximumSize = 1048576;
    static constexpr qint16 kDefaultArchivesToKeep = 6;
    static constexpr qint16 kMinimumArchivesToKeep = 1;
    static constexpr qint16 kMaximumArchivesToKeep = 100;

    using Clock = std::function<QDateTime()>;
    // Lists the file names matching "vesk_*.log" in a folder, in the order the platform returns them.
    using ArchiveLister = std::function<QStringList(const QString &folder)>;

    ErrorLog();

    // Creates the log folder and file when missing and reads the two settings, writing back the
    // values in force so that the store always shows them.
    void initialize(const QString &appDataFolder, const QString &programFolder);

    void logError(const QString &procedure, const QString &module, qint32 number,
                  const QString &description) noexcept;

    QString logFilePath() const { return m_logFilePath; }
    qint32 maximumLogSize() const { return m_maximumLogSize; }
    qint16 archivesToKeep() const { return m_archivesToKeep; }

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setArchiveLister(ArchiveLister lister) { m_listArchives = std::move(lister); }

    static QByteArray formatLine(const QDateTime &when, const QString &procedure, const QString &module,
                                 qint32 number, const QString &description);
    static QString archiveFileName(const QDateTime &when);

private:
    void readSettings();
    void rotate();
    void cleanUpArchives(const QString &newArchive);

    QString m_logFilePath;
    qint32 m_maximumLogSize = kDefaultMaximumSize;
    qint16 m_archivesToKeep = kDefaultArchivesToKeep;
    Clock m_clock;
    ArchiveLister m_listArchives;
};

// The process-wide log, initialised by start-up.
ErrorLog &errorLog();

inline void logError(const QString &procedure, const QString &module, qint32 number,
                     const QString &description) noexcept
{
    errorLog().logError(procedure, module, number, description);
}

} // namespace fendrel
