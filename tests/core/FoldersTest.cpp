#include "startup/Folders.h"
#include "startup/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

struct Machine {
    QTemporaryDir dir;
    ShellFolders shell() const
    {
        return {dir.path() + QStringLiteral("/common"), dir.path() + QStringLiteral("/Documents"),
                dir.path() + QStringLiteral("/tmp")};
    }
    Machine()
    {
        for (const QString &f : {QStringLiteral("/common"), QStringLiteral("/Documents"), QStringLiteral("/tmp")})
            QDir().mkpath(dir.path() + f);
    }
};

} // namespace

TEST(Folders, FirstStartCreatesVendorApplicationAndLabsFolders)
{
    Machine m;
    const Folders f = Folders::resolve(QStringLiteral("/opt/fendrel/bin"), m.shell(), {});
    EXPECT_EQ(f.program, QStringLiteral("/opt/fendrel/bin/"));
    EXPECT_EQ(f.appData, m.dir.path() + QStringLiteral("/common/Zelvan Software/Fendrel/"));
    EXPECT_EQ(f.documents, m.dir.path() + QStringLiteral("/Documents/"));
    EXPECT_EQ(f.labs, m.dir.path() + QStringLiteral("/Documents/Zelvan Nodara Labs"));
    EXPECT_EQ(f.pathSeparator, QStringLiteral("/"));
    EXPECT_TRUE(QFileInfo(f.appData).isDir());
    EXPECT_TRUE(QFileInfo(f.labs).isDir());
    EXPECT_FALSE(QFileInfo::exists(m.dir.path() + QStringLiteral("/common/permit.per")));

    // A program folder reported at the root already ends with the separator.
    EXPECT_EQ(Folders::resolve(QStringLiteral("/"), m.shell(), {}).pathSeparator, QString());
}

TEST(Folders, ExistingFoldersAreFoundWhateverTheirLetterCase)
{
    Machine m;
    QDir().mkpath(m.dir.path() + QStringLiteral("/common/ZELVAN software/fendrel"));
    QDir().mkpath(m.dir.path() + QStringLiteral("/Documents/zelvan nodara labs"));
    const Folders f = Folders::resolve(QStringLiteral("/x"), m.shell(), {});
    EXPECT_EQ(f.appData, m.dir.path() + QStringLiteral("/common/ZELVAN software/fendrel/"));
    EXPECT_EQ(f.labs, m.dir.path() + QStringLiteral("/Documents/zelvan nodara labs"));
    EXPECT_EQ(QDir(m.dir.path() + QStringLiteral("/Documents")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST(Folders, UnwritableCommonFolderFallsBackToTheTemporaryFolder)
{
    Machine m;
    ShellFolders shell = m.shell();
    // A file where the folder should be: nothing can be created in it, even by root.
    shell.commonAppData = m.dir.path() + QStringLiteral("/blocked");
    test::writeFile(shell.commonAppData, "x");
    EXPECT_FALSE(DirChecker::isWritable(shell.commonAppData));
    const DirChecker checker(shell);
    EXPECT_EQ(checker.getPath(QStringLiteral("App"), QStringLiteral("Zelvan Software"), QStringLiteral("Fendrel")),
              m.dir.path() + QStringLiteral("/tmp/Zelvan Software/Fendrel/"));

    // A stale probe file that cannot be removed (it is a folder) also means "not writable".
    QDir().mkpath(m.dir.path() + QStringLiteral("/stale/permit.per/inner"));
    EXPECT_FALSE(DirChecker::isWritable(m.dir.path() + QStringLiteral("/stale")));
    EXPECT_TRUE(DirChecker::isWritable(m.dir.path() + QStringLiteral("/common")));

    EXPECT_EQ(checker.getPath(QStringLiteral("Elsewhere")), QString());
    EXPECT_EQ(checker.getPath(QStringLiteral("User")), m.dir.path() + QStringLiteral("/Documents/"));
}

TEST(Folders, DataDirOverrideReplacesTheWholeApplicationDataFolder)
{
    Machine m;
    const QString data = m.dir.path() + QStringLiteral("/mine/data");
    const Folders f = Folders::resolve(QStringLiteral("/x"), m.shell(), data);
    EXPECT_EQ(f.appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_FALSE(QFileInfo::exists(m.dir.path() + QStringLiteral("/common/Zelvan Software")));

    qputenv("FENDREL_DATA_DIR", (m.dir.path() + QStringLiteral("/env")).toLocal8Bit());
    EXPECT_EQ(Folders::resolve(QStringLiteral("/x"), m.shell(), {}).appData, m.dir.path() + QStringLiteral("/env/"));
    EXPECT_EQ(Folders::resolve(QStringLiteral("/x"), m.shell(), data).appData, data + u'/');
    qunsetenv("FENDREL_DATA_DIR");
}

TEST(Settings, WizardSettingDefaultsToShowingTheWizard)
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zelvan Nodara"))
        .remove(QStringLiteral("Settings/FendrelWiz"));
    EXPECT_EQ(getWizardSetting(), 1);
    ASSERT_TRUE(saveWizardSetting(0));
    EXPECT_EQ(getWizardSetting(), 0);
    EXPECT_EQ(getSetting(QStringLiteral("Zelvan Nodara"), QStringLiteral("Settings"), QStringLiteral("FendrelWiz"), {}),
              QStringLiteral("0"));
    ASSERT_TRUE(saveWizardSetting(1));
    EXPECT_EQ(getWizardSetting(), 1);
}
