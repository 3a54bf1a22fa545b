#include "cli/CliPrompter.h"

namespace fendrel::cli {

MessageAnswer CliPrompter::show(const QString &text, MessageIcon, MessageButtons buttons, const QString &)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (buttons == MessageButtons::Ok) {
        m_context.printError(lines);
        return MessageAnswer::Ok;
    }
    const bool yes = m_context.answer.value_or(false);
    m_context.printError(lines + (yes ? QStringLiteral(" [answered Yes]")
                                      : m_context.answer ? QStringLiteral(" [answered No]")
                                                         : QStringLiteral(" [answered No; --yes answers Yes]")));
    return yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace fendrel::cli
