#include "cli/CliApp.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/CliRunner.h"

#include <gtest/gtest.h>

using namespace fendrel;
using test::CliRun;
using test::runCli;
using namespace fendrel::cli;

namespace {

// Records what it was given, so the option parsing can be checked from the outside.
class ProbeCommand : public Command {
public:
    QString name() const override { return u"probe"_qs; }
    QString arguments() const override { return u"[ARGS]"_qs; }
    QString summary() const override { return u"test probe"_qs; }
    int run(const QStringList &args, CliContext &context) override
    {
        seenArgs = args;
        seenQuiet = context.quiet;
        seenAnswer = context.answer;
        return 0;
    }
    QStringList seenArgs;
    bool seenQuiet = false;
    std::optional<bool> seenAnswer;
};

} // namespace

TEST(Cli, HelpVersionAndWrongCommandLines)
{
    const CliRun help = runCli({u"--help"_qs});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--data-dir DIR"));
    const CliRun version = runCli({u"--version"_qs});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QByteArray("fendrel-cli " FENDREL_VERSION));

    for (const QStringList &wrong : {QStringList{}, {u"--bogus"_qs}, {u"--data-dir"_qs}, {u"frobnicate"_qs}}) {
        const CliRun r = runCli(wrong);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(wrong.join(u' '));
        EXPECT_TRUE(r.err.startsWith(u"fendrel-cli: "_qs)) << qPrintable(r.err);
    }
}

TEST(Cli, GlobalOptionsReachTheCommandAndTheDataFolder)
{
    QTemporaryDir dir;
    auto owned = std::make_unique<ProbeCommand>();
    ProbeCommand *probe = owned.get();
    CliApp app;
    app.addCommand(std::move(owned));
    CliContext context;
    const QString data = dir.path() + u"/data"_qs;
    ASSERT_EQ(app.run({u"--quiet"_qs, u"--no"_qs, u"--data-dir"_qs, data, u"probe"_qs, u"a"_qs, u"--yes"_qs}, context), 0);
    EXPECT_EQ(probe->seenArgs, QStringList({u"a"_qs, u"--yes"_qs}));
    EXPECT_TRUE(probe->seenQuiet);
    ASSERT_TRUE(probe->seenAnswer.has_value());
    EXPECT_FALSE(*probe->seenAnswer);
    EXPECT_EQ(folders().appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data + u"/log/fendrel_error.log"_qs).isFile());
    EXPECT_EQ(langText(LangEntry::AddLabCaption), u"Add Lab"_qs);
    EXPECT_TRUE(app.helpText().contains(u"probe [ARGS]"_qs));
}
