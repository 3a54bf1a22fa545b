#include "cli/ProgressBar.h"

#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fendrel::cli {

bool isTerminal(std::FILE *file)
{
#ifdef _WIN32
    return _isatty(_fileno(file)) != 0;
#else
    return isatty(fileno(file)) != 0;
#endif
}

ProgressBar::ProgressBar(const CliContext &context)
    : m_out(context.err), m_enabled(!context.quiet && isTerminal(context.err))
{
}

void ProgressBar::phase(const QString &label)
{
    end(true);
    m_label = label;
    m_drawn = false;
    m_percent = -1;
}

void ProgressBar::draw(int percent)
{
    if (!m_enabled || percent == m_percent)
        return;
    m_percent = percent;
    constexpr int kWidth = 40;
    const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
    std::fprintf(m_out, "\r[%s%s] %3d%% %s", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), '-').c_str(), percent,
                 m_label.toLocal8Bit().constData());
    std::fflush(m_out);
    m_drawn = true;
}

void ProgressBar::end(bool done)
{
    if (!m_drawn)
        return;
    if (done)
        draw(100);
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_drawn = false;
}

} // namespace fendrel::cli
