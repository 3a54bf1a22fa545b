#pragma once

#include "cli/Command.h"

namespace fendrel::cli {

// "compile [CATALOGUE] -o PACKAGE": loads the catalogue as the main window does, checks it,
// and builds the package as the compile button does. The catalogue file itself is not changed.
class CompileCommand : public Command {
public:
    QString name() const override { return QStringLiteral("compile"); }
    QString arguments() const override { return QStringLiteral("[CATALOGUE] -o PACKAGE [--force]"); }
    QString summary() const override { return QStringLiteral("build a lab package from a catalogue"); }
    int run(const QStringList &args, CliContext &context) override;
};

// "list PACKAGE": the members of a package without extracting it.
class ListCommand : public Command {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString arguments() const override { return QStringLiteral("PACKAGE"); }
    QString summary() const override { return QStringLiteral("list the members of a package"); }
    int run(const QStringList &args, CliContext &context) override;
};

// "extract PACKAGE": opens a package as the open button does.
class ExtractCommand : public Command {
public:
    QString name() const override { return QStringLiteral("extract"); }
    QString arguments() const override { return QStringLiteral("PACKAGE"); }
    QString summary() const override { return QStringLiteral("open a package for editing in the data folder"); }
    int run(const QStringList &args, CliContext &context) override;
};

// "check-nwc FILE...": the network-configuration check, naming each file's device files.
class CheckNwcCommand : public Command {
public:
    QString name() const override { return QStringLiteral("check-nwc"); }
    QString arguments() const override { return QStringLiteral("FILE..."); }
    QString summary() const override { return QStringLiteral("check network configurations"); }
    int run(const QStringList &args, CliContext &context) override;
};

} // namespace fendrel::cli
