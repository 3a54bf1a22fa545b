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
    QString name() const override { return QStringLiteral("probe"); }
    QString arguments() const override { return QStringLiteral("[ARGS]"); }
    QString summary() const override { return QStringLiteral("test probe"); }
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
    const CliRun help = runCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--data-dir DIR"));
    const CliRun version = runCli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QByteArray("fendrel-cli " FENDREL_VERSION));

    for (const QStringList &wrong : {QStringList{}, QStringList{QStringLiteral("--bogus")},
                                     QStringList{QStringLiteral("--data-dir")},
                                     QStringList{QStringLiteral("frobnicate")}}) {
        const CliRun r = runCli(wrong);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(wrong.join(u' '));
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("fendrel-cli: "))) << qPrintable(r.err);
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
    const QString data = dir.path() + QStringLiteral("/data");
    ASSERT_EQ(app.run({QStringLiteral("--quiet"), QStringLiteral("--no"), QStringLiteral("--data-dir"), data,
                       QStringLiteral("probe"), QStringLiteral("a"), QStringLiteral("--yes")},
                      context),
              0);
    EXPECT_EQ(probe->seenArgs, QStringList({QStringLiteral("a"), QStringLiteral("--yes")}));
    EXPECT_TRUE(probe->seenQuiet);
    ASSERT_TRUE(probe->seenAnswer.has_value());
    EXPECT_FALSE(*probe->seenAnswer);
    EXPECT_EQ(folders().appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data + QStringLiteral("/log/fendrel_error.log")).isFile());
    EXPECT_EQ(langText(LangEntry::AddLabCaption), QStringLiteral("Add Lab"));
    EXPECT_TRUE(app.helpText().contains(QStringLiteral("probe [ARGS]")));
}
