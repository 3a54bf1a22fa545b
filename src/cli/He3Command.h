#pragma once

#include "cli/Command.h"

namespace fendrel::cli {

// "he3 encode IN OUT" and "he3 decode IN OUT": the package codec on one file. OUT is replaced
// only when the whole operation succeeded; IN may be OUT.
class He3Command : public Command {
public:
    QString name() const override { return QStringLiteral("he3"); }
    QString arguments() const override { return QStringLiteral("encode|decode IN OUT"); }
    QString summary() const override { return QStringLiteral("compress a file into an HE3 stream, or expand one"); }
    bool needsEnvironment() const override { return false; }
    int run(const QStringList &args, CliContext &context) override;
};

} // namespace fendrel::cli
