#pragma once

#include "cli/Command.h"

#include <memory>
#include <vector>

namespace fendrel::cli {

// Parses the global options, prepares the environment and hands the rest to one command.
class CliApp {
public:
    CliApp();
    int run(const QStringList &arguments, CliContext &context);
    QString helpText() const;
    void addCommand(std::unique_ptr<Command> command) { m_commands.push_back(std::move(command)); }

private:
    Command *find(const QString &name) const;
    std::vector<std::unique_ptr<Command>> m_commands;
};

} // namespace fendrel::cli
