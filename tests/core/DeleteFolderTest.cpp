#include "loader/DeleteFolder.h"
#include "startup/LanguageTable.h"
#include "support/ScriptedPrompter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

QString makeTree(const QTemporaryDir &dir)
{
    const QString root = dir.path() + QStringLiteral("/CompilerLabs");
    QDir().mkpath(root + QStringLiteral("/Routing/OSPF/deep"));
    test::writeFile(root + QStringLiteral("/Fendrel.ini"), "x");
    test::writeFile(root + QStringLiteral("/Routing/OSPF/deep/a.top"), "y");
    test::writeFile(root + QStringLiteral("/Routing/.hidden"), "z");
    QFile::link(dir.path(), root + QStringLiteral("/Routing/link-outside"));
    return root;
}

} // namespace

TEST(DeleteFolder, RemovesNestedContentWithOrWithoutTrailingSeparator)
{
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    for (const QString &suffix : {QString(), QStringLiteral("/")}) {
        QTemporaryDir dir;
        const QString root = makeTree(dir);
        test::writeFile(dir.path() + QStringLiteral("/outside.txt"), "kept");
        deleteLabFolder(root + suffix, prompter);
        EXPECT_FALSE(QFileInfo::exists(root)) << qPrintable(suffix);
        // The symbolic link went, not what it pointed at.
        EXPECT_TRUE(QFileInfo::exists(dir.path() + QStringLiteral("/outside.txt")));
    }
    deleteLabFolder(QStringLiteral("/nonexistent/CompilerLabs"), prompter);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(DeleteFolder, AFailureIsShownAndLoggedAndTheFolderStays)
{
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    QTemporaryDir dir;
    const QString root = makeTree(dir);
    deleteLabFolder(root, prompter, [](const QString &) { return RemovalResult{5, QStringLiteral("Access is denied")}; });
    EXPECT_TRUE(QFileInfo(root).isDir());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, langText(LangEntry::FolderNotDeletedMessage) + root);
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(log.entries(), QStringList{u"[Delete Lab Folder][DeleteFolder] - 5 - Access is denied"_qs});
}
