#include "package/NetworkConfiguration.h"

#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "io/FileKind.h"
#include "interaction/Prompter.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/Windows1252.h"
#include "text/TextHelpers.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <limits>

namespace fendrel {
namespace {

using Result = NetworkConfigurationCheck::Result;

NetworkConfigurationCheck failure(Result result, qint32 number = 0, const QString &description = {})
{
    NetworkConfigurationCheck check;
    check.result = result;
    check.errorNumber = number;
    check.errorDescription = description;
    return check;
}

// Splits text into lines the way a line-by-line reader sees them: a final line ending does not
// start another line.
QStringList textLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start));
    return lines;
}

} // namespace

QString deviceFileName(const QString &configurationFileName, int device)
{
    return QString(configurationFileName)
        .replace(QStringLiteral(".nwc"), QString::number(device) + QStringLiteral(".rtr"), Qt::CaseInsensitive);
}

NetworkConfigurationCheck checkNetworkConfiguration(const QString &path)
{
    return checkNetworkConfiguration(path, fileStatus(path));
}

NetworkConfigurationCheck checkNetworkConfiguration(const QString &path, const FileStatus &file, OpenFolder *opened)
{
    if (file.exists && !file.regular)
        return failure(Result::ReadFailure, kErrFileAccess, QStringLiteral("%1 %2").arg(path, file.why));
    QByteArray content;
    QString why;
    if (!file.exists || !ReadOnlyFile::readHead(path, std::numeric_limits<qint64>::max(), &content, &why, opened))
        return failure(Result::ReadFailure, kErrFileNotFound, QStringLiteral("File not found: %1").arg(path));
    if (content.isEmpty()) {
        NetworkConfigurationCheck empty = failure(Result::Empty, kErrInputPastEnd, kErrInputPastEndText);
        empty.content = content;
        return empty;
    }

    NetworkConfigurationCheck check;
    if (content.size() <= NetworkConfigurationCheck::kKeptBytes)
        check.content = content;
    const std::array<std::pair<const char *, int *>, 4> counts = {{{"number of devices", &check.devices},
                                                                   {"number of routers", &check.routers},
                                                                   {"number of switches", &check.switches},
                                                                   {"number of pcs", &check.pcs}}};
    const QStringList lines = textLines(fromWindows1252(content));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString lower = lines[i].toLower();
        auto count = std::find_if(counts.begin(), counts.end(),
                                  [&](const auto &c) { return lower.contains(QLatin1String(c.first)); });
        if (count != counts.end()) {
            const QString number = lines[i].mid(lines[i].indexOf(u'=') + 1).trimmed();
            bool ok = false;
            const qlonglong value = number.toLongLong(&ok);
            if (!ok)
                return failure(Result::ReadFailure, kErrTypeMismatch,
                               QStringLiteral("Type mismatch: \"%1\" is not a count").arg(number));
            if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
                return failure(Result::ReadFailure, kErrOverflow, QStringLiteral("Overflow: %1 is too large a count").arg(number));
            *count->second = static_cast<int>(value);
            continue;
        }
        if (i == lines.size() - 1)
            break;
        // Not trimmed: a line of blanks is refused like any other text.
        if (!lines[i].isEmpty())
            return failure(Result::UnknownLine);
    }
    if (check.devices != check.routers + check.switches + check.pcs) {
        check.result = Result::CountMismatch;
        return check;
    }

    const QString folder = path.left(path.size() - fileNameOfPath(path).size());
    for (int device = 1; device <= check.devices; ++device) {
        const QString name = deviceFileName(fileNameOfPath(path), device);
        const FileStatus status = opened ? fileStatus(folder + name, *opened) : fileStatus(folder + name);
        if (!status.regular) {
            check.result = Result::MissingDevice;
            check.missingDeviceName = trimmedOf(name, QStringLiteral(u"\u0000\u0008\t\n\r "));
            check.devicePaths.clear();
            check.deviceFiles.clear();
            check.content.reset();
            return check;
        }
        check.devicePaths.append(folder + name);
        check.deviceFiles.append(status);
    }
    return check;
}

bool verifyAndCollectRtr(const QString &path, Prompter &prompter, QStringList *devicePaths)
{
    return verifyAndCollectRtr(checkNetworkConfiguration(path), path, prompter, devicePaths);
}

bool verifyAndCollectRtr(const NetworkConfigurationCheck &check, const QString &path, Prompter &prompter,
                         QStringList *devicePaths)
{
    if (check.result == Result::Valid) {
        if (devicePaths)
            *devicePaths = check.devicePaths;
        return true;
    }
    logError(QStringLiteral("Verify and Collect RTR"), QStringLiteral("Create Pack"), check.errorNumber,
             check.errorDescription);
    const QString title = langText(LangEntry::MessageTitle);
    switch (check.result) {
    case Result::UnknownLine:
        prompter.show(path + QStringLiteral("\r\n") + langText(LangEntry::NwcUnknownLineMessage), MessageIcon::Exclamation, MessageButtons::Ok, title);
        return false;
    case Result::CountMismatch:
        prompter.show(path + QStringLiteral("\r\n") + langText(LangEntry::NwcDeviceCountMessage), MessageIcon::Exclamation, MessageButtons::Ok, title);
        return false;
    case Result::MissingDevice:
        prompter.show(check.missingDeviceName + langText(LangEntry::NwcDeviceFileMissingMessage) + u'\r' + langText(LangEntry::NwcDeviceFilesMessage), MessageIcon::Exclamation,
                      MessageButtons::Ok, title);
        return false;
    case Result::Empty:
        if (prompter.show(path + langText(LangEntry::NwcEmptyQuestion), MessageIcon::Exclamation, MessageButtons::YesNoDefaultNo, title)
            != MessageAnswer::Yes)
            return false;
        if (devicePaths)
            devicePaths->clear();
        return true;
    case Result::ReadFailure:
        prompter.show(check.errorDescription, MessageIcon::Exclamation, MessageButtons::Ok, title);
        return false;
    case Result::Valid:
        break;
    }
    return true;
}

} // namespace fendrel
