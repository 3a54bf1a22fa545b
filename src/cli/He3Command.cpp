#include "cli/He3Command.h"

#include "cli/ProgressBar.h"
#include "codec/Huffman.h"

#include <QFile>

#include <filesystem>
#include <new>

namespace fendrel::cli {

namespace {

std::filesystem::path toPath(const QString &name)
{
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

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
    codec.setProgressHandler([&bar](std::int16_t &percent) { bar.draw(percent); });
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
