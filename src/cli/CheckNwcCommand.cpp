#include "cli/PackageCommands.h"

#include "package/NetworkConfiguration.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

namespace fendrel::cli {

int CheckNwcCommand::run(const QStringList &args, CliContext &context)
{
    if (args.isEmpty()) {
        context.printError(QStringLiteral("check-nwc takes one or more FILE"));
        return kExitUsage;
    }
    using Result = NetworkConfigurationCheck::Result;
    bool allValid = true;
    for (const QString &path : args) {
        const NetworkConfigurationCheck check = checkNetworkConfiguration(path);
        QString verdict;
        switch (check.result) {
        case Result::Valid: {
            QStringList names;
            for (const QString &device : check.devicePaths)
                names << fileNameOfPath(device);
            verdict = QStringLiteral("valid, %1 device(s)%2").arg(check.devices).arg(names.isEmpty() ? QString() : QStringLiteral(": ") + names.join(u' '));
            break;
        }
        case Result::UnknownLine: verdict = langText(LangEntry::NwcUnknownLineMessage); break;
        case Result::CountMismatch: verdict = langText(LangEntry::NwcDeviceCountMessage); break;
        case Result::MissingDevice: verdict = check.missingDeviceName + langText(LangEntry::NwcDeviceFileMissingMessage) + u' ' + langText(LangEntry::NwcDeviceFilesMessage); break;
        case Result::Empty:
            verdict = context.answer.value_or(false) ? QStringLiteral("empty, accepted (--yes)")
                                                     : QStringLiteral("empty; --yes accepts an empty configuration");
            break;
        case Result::ReadFailure: verdict = check.errorDescription; break;
        }
        const bool valid = check.result == Result::Valid || (check.result == Result::Empty && context.answer.value_or(false));
        allValid = allValid && valid;
        std::fprintf(valid ? context.out : context.err, "%s: %s\n", path.toLocal8Bit().constData(),
                     verdict.toLocal8Bit().constData());
    }
    return allValid ? kExitDone : kExitFailed;
}

} // namespace fendrel::cli
