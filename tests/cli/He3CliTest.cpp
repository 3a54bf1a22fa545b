#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "cli/CliRunner.h"

#include <gtest/gtest.h>

using namespace fendrel;
using test::CliRun;
using test::runCli;

namespace {

const QByteArray kAbStream = QByteArray::fromHex("4845330d0302000000020061016201" "0202");

QByteArray sampleText()
{
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QByteArray::number(i * 7919 % 1000) + (i % 13 == 0 ? "\n" : " ");
    return text;
}

} // namespace

TEST(He3Cli, EncodesAndDecodesFilesInPlaceOrElsewhere)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    const QString packed = dir.filePath(QStringLiteral("packed.he3"));
    test::writeFile(plain, "ab");
    CliRun r = runCli({QStringLiteral("he3"), QStringLiteral("encode"), plain, packed});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.err.isEmpty()) << "no progress bar without a terminal: " << qPrintable(r.err);
    EXPECT_EQ(test::readFile(packed), kAbStream);

    const QByteArray text = sampleText();
    test::writeFile(plain, text);
    r = runCli({QStringLiteral("he3"), QStringLiteral("encode"), plain, plain});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_LT(test::readFile(plain).size(), text.size());
    r = runCli({QStringLiteral("--quiet"), QStringLiteral("he3"), QStringLiteral("decode"), plain, plain});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(test::readFile(plain), text);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("packed.he3"), QStringLiteral("plain.txt")}));
}

TEST(He3Cli, RefusedInputLeavesTheOutputAlone)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.he3"));
    test::writeFile(out, "keep me");
    QByteArray stream = kAbStream;
    stream[4] = 0x7F;
    test::writeFile(damaged, stream);

    CliRun r = runCli({QStringLiteral("he3"), QStringLiteral("decode"), damaged, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("fendrel-cli: cannot decode %1: The data might be corrupted "
                                              "(checksum did not match expected value)").arg(damaged));
    r = runCli({QStringLiteral("he3"), QStringLiteral("decode"), out, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("identification string not found"))) << qPrintable(r.err);
    r = runCli({QStringLiteral("he3"), QStringLiteral("encode"), dir.filePath(QStringLiteral("missing")), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("missing: Source file does not exist\n"))) << qPrintable(r.err);

    EXPECT_EQ(test::readFile(out), QByteArray("keep me"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("damaged.he3"), QStringLiteral("out")}));

    for (const QStringList &wrong : {QStringList{QStringLiteral("he3")},
                                     QStringList{QStringLiteral("he3"), QStringLiteral("encode"), out},
                                     QStringList{QStringLiteral("he3"), QStringLiteral("squash"), out, out},
                                     QStringList{QStringLiteral("he3"), QStringLiteral("decode"), out, out, out}}) {
        r = runCli(wrong);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(wrong.join(u' '));
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("fendrel-cli: he3 needs encode or decode"))) << qPrintable(r.err);
    }
}

TEST(He3Cli, ProgressBarOnlyOnATerminalAndWithoutQuiet)
{
    // script(1) gives the command a terminal and copies what it shows to its own output.
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    test::writeFile(plain, sampleText());
    auto onTerminal = [&](const QString &options) {
        QProcess process;
        process.start(script, {QStringLiteral("-qec"),
                               QStringLiteral("'%1' %2 he3 encode '%3' '%3.he3'").arg(QStringLiteral(FENDREL_CLI_PATH), options, plain),
                               QStringLiteral("/dev/null")});
        process.waitForFinished(30000);
        EXPECT_EQ(process.exitCode(), 0);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    const QString shown = onTerminal(QString());
    EXPECT_TRUE(shown.contains(QStringLiteral("] 100%"))) << qPrintable(shown);
    EXPECT_TRUE(shown.contains(QStringLiteral("]  12%"))) << qPrintable(shown);
    EXPECT_TRUE(onTerminal(QStringLiteral("--quiet")).isEmpty());
}
