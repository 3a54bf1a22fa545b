#pragma once

#include "cli/Command.h"

#include <QString>

namespace fendrel::cli {

// A one-line bar redrawn in place on stderr; drawn only for a person watching a terminal.
class ProgressBar {
public:
    explicit ProgressBar(const CliContext &context);

    // Starts a new phase under a label; the bar of the previous phase keeps its line.
    void phase(const QString &label);
    void draw(int percent);
    // Ends the bar's line, at 100% when the work is done.
    void end(bool done);

private:
    std::FILE *m_out;
    bool m_enabled;
    bool m_drawn = false;
    int m_percent = -1;
    QString m_label;
};

bool isTerminal(std::FILE *file);

} // namespace fendrel::cli
