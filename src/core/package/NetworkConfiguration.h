#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "io/FileKind.h"
#include "startup/Folders.h"

namespace fendrel {

class Prompter;

// A network configuration (".nwc") holds four count lines, "number of devices",
// "number of routers", "number of switches" and "number of pcs", and otherwise empty lines
// (a line of spaces or tabs is not empty; the last line may hold anything). Its D devices have
// configurations named like it with ".nwc" replaced by the device number and ".rtr", in the
// same folder.
struct NetworkConfigurationCheck {
    enum class Result { Valid, UnknownLine, CountMismatch, MissingDevice, Empty, ReadFailure };
    Result result = Result::Valid;
    int devices = 0;
    int routers = 0;
    int switches = 0;
    int pcs = 0;
    QStringList devicePaths;        // when valid: every device configuration, in device order
    QList<FileStatus> deviceFiles;  // what the same look found of each
    // The file as it was checked, kept (up to kKeptBytes) so that the package carries what was
    // checked without reading it again.
    std::optional<QByteArray> content;
    static constexpr qint64 kKeptBytes = 1 << 20;
    QString missingDeviceName; // the first device configuration that does not exist
    qint32 errorNumber = 0;    // for Empty and ReadFailure, as the error log records them
    QString errorDescription;
};

NetworkConfigurationCheck checkNetworkConfiguration(const QString &path);
// The same with the path's status already taken; folder, when given, holds the folder open for
// the device configurations and the next look (see OpenFolder).
NetworkConfigurationCheck checkNetworkConfiguration(const QString &path, const FileStatus &status,
                                                    OpenFolder *folder = nullptr);

// lab.nwc and device 2 give lab2.rtr; ".nwc" is matched whatever its letter case.
QString deviceFileName(const QString &configurationFileName, int device);

// Checks a configuration, telling the user what is wrong: the configuration's path and message
// 115 or 116, the device file name with 117 and 118, or the question 119 for an empty file
// (Yes accepts it). Failures are logged. devicePaths receives the device configurations.
bool verifyAndCollectRtr(const QString &path, Prompter &prompter, QStringList *devicePaths = nullptr);
// The same for a check made earlier, so that the compiler does not read the file again.
bool verifyAndCollectRtr(const NetworkConfigurationCheck &check, const QString &path, Prompter &prompter,
                         QStringList *devicePaths = nullptr);

} // namespace fendrel
