#pragma once

#include "cli/Command.h"

namespace fendrel::cli {

// "check [CATALOGUE] [--json]": every problem of a catalogue, as the window's Problems list
// shows them; exit 1 when a problem would stop the compile.
class CheckCommand : public Command {
public:
    QString name() const override { return QStringLiteral("check"); }
    QString arguments() const override { return QStringLiteral("[CATALOGUE] [--json]"); }
    QString summary() const override { return QStringLiteral("report every problem of a catalogue"); }
    int run(const QStringList &args, CliContext &context) override;
};

// "compile [CATALOGUE] -o PACKAGE": loads the catalogue as the main window does, checks it,
// and builds the package as the compile button does, as far as the problems found allow. The
// catalogue file itself is not changed.
class CompileCommand : public Command {
public:
    QString name() const override { return QStringLiteral("compile"); }
    QString arguments() const override { return QStringLiteral("[CATALOGUE] -o PACKAGE [--force] [--json]"); }
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

// "info PACKAGE [--json]": what a package holds, lab by lab, and whether it would open; nothing
// is extracted.
class InfoCommand : public Command {
public:
    QString name() const override { return QStringLiteral("info"); }
    QString arguments() const override { return QStringLiteral("PACKAGE [--json]"); }
    QString summary() const override { return QStringLiteral("show a package's sections, labs and members"); }
    int run(const QStringList &args, CliContext &context) override;
};

// A member name as one field of one line: a tab or line break in a name would forge fields or
// lines of the output, so control characters and the backslash are written as escapes.
QString escapedName(const QString &name);
// A member's size as listed: bytes, "name-only" or "missing".
QString memberSizeText(qint64 size);

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
