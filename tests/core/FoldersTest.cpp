// The folders the program works in: where they are found or made at start-up, and the removal of
// a package folder.

#include "loader/DeleteFolder.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

struct Machine {
    QTemporaryDir dir;
    ShellFolders shell() const
    {
        return {dir.path() + u"/common"_qs, dir.path() + u"/Documents"_qs, dir.path() + u"/tmp"_qs};
    }
    Machine()
    {
        for (const QString &f : {u"/common"_qs, u"/Documents"_qs, u"/tmp"_qs})
            QDir().mkpath(dir.path() + f);
    }
};

// A package folder with nested, hidden and linked entries.
QString makeTree(const QTemporaryDir &dir)
{
    const QString root = dir.path() + u"/CompilerLabs"_qs;
    QDir().mkpath(root + u"/Routing/OSPF/deep"_qs);
    test::writeFile(root + u"/Fendrel.ini"_qs, "x");
    test::writeFile(root + u"/Routing/OSPF/deep/a.top"_qs, "y");
    test::writeFile(root + u"/Routing/.hidden"_qs, "z");
    QFile::link(dir.path(), root + u"/Routing/link-outside"_qs);
    return root;
}

} // namespace

TEST(Folders, FirstStartCreatesVendorApplicationAndLabsFolders)
{
    Machine m;
    const Folders f = Folders::resolve(u"/opt/fendrel/bin"_qs, m.shell(), {});
    EXPECT_EQ(f.program, u"/opt/fendrel/bin/"_qs);
    EXPECT_EQ(f.appData, m.dir.path() + u"/common/Zelvan Software/Fendrel/"_qs);
    EXPECT_EQ(f.documents, m.dir.path() + u"/Documents/"_qs);
    EXPECT_EQ(f.labs, m.dir.path() + u"/Documents/Zelvan Nodara Labs"_qs);
    EXPECT_EQ(f.pathSeparator, u"/"_qs);
    EXPECT_TRUE(QFileInfo(f.appData).isDir());
    EXPECT_TRUE(QFileInfo(f.labs).isDir());
    EXPECT_FALSE(QFileInfo::exists(m.dir.path() + u"/common/permit.per"_qs));

    // A program folder reported at the root already ends with the separator.
    EXPECT_EQ(Folders::resolve(u"/"_qs, m.shell(), {}).pathSeparator, QString());
}

TEST(Folders, ExistingFoldersAreFoundWhateverTheirLetterCase)
{
    Machine m;
    QDir().mkpath(m.dir.path() + u"/common/ZELVAN software/fendrel"_qs);
    QDir().mkpath(m.dir.path() + u"/Documents/zelvan nodara labs"_qs);
    const Folders f = Folders::resolve(u"/x"_qs, m.shell(), {});
    EXPECT_EQ(f.appData, m.dir.path() + u"/common/ZELVAN software/fendrel/"_qs);
    EXPECT_EQ(f.labs, m.dir.path() + u"/Documents/zelvan nodara labs"_qs);
    EXPECT_EQ(QDir(m.dir.path() + u"/Documents"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST(Folders, UnwritableCommonFolderFallsBackToTheTemporaryFolder)
{
    Machine m;
    ShellFolders shell = m.shell();
    // A file where the folder should be: nothing can be created in it, even by root.
    shell.commonAppData = m.dir.path() + u"/blocked"_qs;
    test::writeFile(shell.commonAppData, "x");
    EXPECT_FALSE(DirChecker::isWritable(shell.commonAppData));
    const DirChecker checker(shell);
    EXPECT_EQ(checker.getPath(u"App"_qs, u"Zelvan Software"_qs, u"Fendrel"_qs),
              m.dir.path() + u"/tmp/Zelvan Software/Fendrel/"_qs);

    // A stale probe file that cannot be removed (it is a folder) also means "not writable".
    QDir().mkpath(m.dir.path() + u"/stale/permit.per/inner"_qs);
    EXPECT_FALSE(DirChecker::isWritable(m.dir.path() + u"/stale"_qs));
    EXPECT_TRUE(DirChecker::isWritable(m.dir.path() + u"/common"_qs));

    EXPECT_EQ(checker.getPath(u"Elsewhere"_qs), QString());
    EXPECT_EQ(checker.getPath(u"User"_qs), m.dir.path() + u"/Documents/"_qs);
}

TEST(Folders, DataDirOverrideReplacesTheWholeApplicationDataFolder)
{
    Machine m;
    const QString data = m.dir.path() + u"/mine/data"_qs;
    const Folders f = Folders::resolve(u"/x"_qs, m.shell(), data);
    EXPECT_EQ(f.appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_FALSE(QFileInfo::exists(m.dir.path() + u"/common/Zelvan Software"_qs));

    qputenv("FENDREL_DATA_DIR", (m.dir.path() + u"/env"_qs).toLocal8Bit());
    EXPECT_EQ(Folders::resolve(u"/x"_qs, m.shell(), {}).appData, m.dir.path() + u"/env/"_qs);
    EXPECT_EQ(Folders::resolve(u"/x"_qs, m.shell(), data).appData, data + u'/');
    qunsetenv("FENDREL_DATA_DIR");
}

TEST(DeleteFolder, RemovesNestedContentWithOrWithoutTrailingSeparator)
{
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    for (const QString &suffix : {QString(), u"/"_qs}) {
        QTemporaryDir dir;
        const QString root = makeTree(dir);
        test::writeFile(dir.path() + u"/outside.txt"_qs, "kept");
        deleteLabFolder(root + suffix, prompter);
        EXPECT_FALSE(QFileInfo::exists(root)) << qPrintable(suffix);
        // The symbolic link went, not what it pointed at.
        EXPECT_TRUE(QFileInfo::exists(dir.path() + u"/outside.txt"_qs));
    }
    deleteLabFolder(u"/nonexistent/CompilerLabs"_qs, prompter);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(DeleteFolder, AFailureIsShownAndLoggedAndTheFolderStays)
{
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    QTemporaryDir dir;
    const QString root = makeTree(dir);
    deleteLabFolder(root, prompter, [](const QString &) { return RemovalResult{5, u"Access is denied"_qs}; });
    EXPECT_TRUE(QFileInfo(root).isDir());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, langText(LangEntry::FolderNotDeletedMessage) + root);
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(log.entries(), QStringList{u"[Delete Lab Folder][DeleteFolder] - 5 - Access is denied"_qs});
}
