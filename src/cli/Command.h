#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace fendrel::cli {

// 130 follows the shells: 128 + SIGINT.
enum ExitCode : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130 };

// What the global options decided, handed to every command.
struct CliContext {
    QString dataDir;            // --data-dir, empty for the default
    std::optional<bool> answer; // --yes / --no: the answer to every question
    bool quiet = false;         // --quiet: no progress display
    std::FILE *out = stdout;
    std::FILE *err = stderr;

    void print(const QString &text) const;      // a line on out
    void printError(const QString &text) const; // "fendrel-cli: " + text on err
};

// One subcommand of fendrel-cli.
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString arguments() const = 0; // e.g. "IN OUT"
    virtual QString summary() const = 0;
    // Whether the command needs the folders, language table and error log set up first.
    virtual bool needsEnvironment() const { return true; }
    virtual int run(const QStringList &args, CliContext &context) = 0;
};

} // namespace fendrel::cli
