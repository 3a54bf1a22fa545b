#pragma once

#include "cli/Command.h"
#include "interaction/Prompter.h"

namespace fendrel::cli {

// Messages go to stderr; questions take the answer of --yes or --no, and No when neither was
// given, so that a script never waits for a person.
class CliPrompter : public Prompter {
public:
    explicit CliPrompter(const CliContext &context) : m_context(context) {}
    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override;

private:
    const CliContext &m_context;
};

} // namespace fendrel::cli
