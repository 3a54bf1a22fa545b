#include "cli/He3Command.h"

#include "codec/Huffman.h"

#include <QFile>

#include <filesystem>
#include <new>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fendrel::cli {

namespace {

bool isTerminal(std::FILE *file)
{
#ifdef _WIN32
    return _isatty(_fileno(file)) != 0;
#else
    return isatty(fileno(file)) != 0;
#endif
}

std::filesystem::path toPath(const QString &name)
{
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

// A one-line bar redrawn in place; drawn only for a person watching a terminal.
class ProgressBar {
public:
    explicit ProgressBar(const CliContext &context)
        : m_out(context.err), m_enabled(!context.quiet && isTerminal(context.err))
    {
    }

    void attach(Huffman &codec)
    {
        if (m_enabled)
            codec.setProgressHandler([this](std::int16_t &percent) { draw(percent); });
    }
    void draw(int percent)
    {
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(m_out, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kWidth - filled), '-').c_str(), percent);
        std::fflush(m_out);
        m_drawn = true;
    }
    // Ends the bar's line, at 100% when the work is done.
    void end(bool done)
    {
        if (!m_drawn)
            return;
        if (done)
            draw(100);
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }

private:
    std::FILE *m_out;
    bool m_enabled;
    bool m_drawn = false;
};

} // namespace

int He3Command::run(const QStringList &args, CliContext &context)
{
    const QString mode = args.value(0);
    if (args.size() != 3 || (mode != u"encode" && mode != u"decode")) {
        context.printError(QStringLiteral("he3 needs encode or decode, then IN and OUT (see fendrel-cli --help)"));
        return kExitUsage;
    }
    Huffman codec;
    ProgressBar bar(context);
    bar.attach(codec);
    QString failure;
    try {
        if (mode == u"encode")
            codec.encodeFile(toPath(args.at(1)), toPath(args.at(2)));
        else
            codec.decodeFile(toPath(args.at(1)), toPath(args.at(2)));
    } catch (const HuffmanError &error) {
        failure = QString::fromStdString(error.description());
    } catch (const std::bad_alloc &) {
        failure = QStringLiteral("not enough memory");
    }
    bar.end(failure.isEmpty());
    if (!failure.isEmpty()) {
        context.printError(QStringLiteral("cannot %1 %2: %3").arg(mode, args.at(1), failure));
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace fendrel::cli
