#include "cli/CliApp.h"

#include "cli/He3Command.h"
#include "cli/PackageCommands.h"
#include "environment/Environment.h"

namespace fendrel::cli {

void CliContext::print(const QString &text) const
{
    std::fprintf(out, "%s\n", text.toLocal8Bit().constData());
    std::fflush(out);
}

void CliContext::printError(const QString &text) const
{
    std::fprintf(err, "fendrel-cli: %s\n", text.toLocal8Bit().constData());
    std::fflush(err);
}

CliApp::CliApp()
{
    addCommand(std::make_unique<He3Command>());
    addCommand(std::make_unique<CheckCommand>());
    addCommand(std::make_unique<CompileCommand>());
    addCommand(std::make_unique<ListCommand>());
    addCommand(std::make_unique<InfoCommand>());
    addCommand(std::make_unique<ExtractCommand>());
    addCommand(std::make_unique<CheckNwcCommand>());
}

Command *CliApp::find(const QString &name) const
{
    for (const auto &command : m_commands) {
        if (command->name() == name)
            return command.get();
    }
    return nullptr;
}

QString CliApp::helpText() const
{
    QString text = QStringLiteral(
        "Usage: fendrel-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
        "\n"
        "Builds and reads Nodara lab packages without opening a window.\n"
        "\n"
        "Options:\n"
        "  --data-dir DIR   use DIR as the application data folder\n"
        "  --yes, --no      answer every question with Yes or No\n"
        "  --quiet          show no progress\n"
        "  --help           show this help and stop\n"
        "  --version        show the version and stop\n"
        "\n"
        "Commands:\n");
    if (m_commands.empty())
        text += QStringLiteral("  (none yet)\n");
    for (const auto &command : m_commands) {
        const QString synopsis = command->name() + u' ' + command->arguments();
        text += QStringLiteral("  %1  %2\n").arg(synopsis, -28).arg(command->summary());
    }
    text += QStringLiteral(
        "\n"
        "Exit status: 0 done, 1 the input was refused or the operation failed, 2 wrong command line.");
    return text;
}

int CliApp::run(const QStringList &arguments, CliContext &context)
{
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == u"--help" || arg == u"-h") {
            context.print(helpText());
            return kExitDone;
        }
        if (arg == u"--version") {
            context.print(QStringLiteral("fendrel-cli " FENDREL_VERSION));
            return kExitDone;
        }
        if (arg == u"--quiet") {
            context.quiet = true;
        } else if (arg == u"--yes" || arg == u"--no") {
            context.answer = arg == u"--yes";
        } else if (arg == u"--data-dir" || arg.startsWith(u"--data-dir=")) {
            QString dir = arg.mid(QStringLiteral("--data-dir=").size());
            if (!arg.contains(u'=')) {
                if (++i == arguments.size()) {
                    context.printError(QStringLiteral("--data-dir needs a folder"));
                    return kExitUsage;
                }
                dir = arguments.at(i);
            }
            if (dir.isEmpty()) {
                context.printError(QStringLiteral("--data-dir needs a folder"));
                return kExitUsage;
            }
            context.dataDir = dir;
        } else if (arg.startsWith(u'-')) {
            context.printError(QStringLiteral("unknown option %1 (see fendrel-cli --help)").arg(arg));
            return kExitUsage;
        } else {
            break;
        }
    }
    if (i == arguments.size()) {
        context.printError(QStringLiteral("no command given (see fendrel-cli --help)"));
        return kExitUsage;
    }
    Command *command = find(arguments.at(i));
    if (!command) {
        context.printError(QStringLiteral("unknown command %1 (see fendrel-cli --help)").arg(arguments.at(i)));
        return kExitUsage;
    }
    if (command->needsEnvironment()) {
        QString error;
        if (!prepareEnvironment(context.dataDir, &error)) {
            context.printError(error);
            return kExitFailed;
        }
    }
    return command->run(arguments.mid(i + 1), context);
}

} // namespace fendrel::cli
