// The catalogue check: every kind of problem found on a catalogue made to have it, with the
// severity that decides what compiles, and nothing on a clean one.

#include "interaction/DocumentPages.h"
#include "catalogue/CatalogueFile.h"
#include "package/CatalogueCheck.h"
#include "package/PackageCompiler.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/PackageFixture.h"

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

// Every PDF has three pages.
class ThreePages : public DocumentPages {
public:
    std::optional<int> pageCount(const QString &) const override { return 3; }
};

struct Labs : test::PackageFixture {
    test::ScopedErrorLog log;
    QString savedAppData = folders().appData;

    Labs()
    {
        languageTable().loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE));
        folders().appData = data;
    }
    ~Labs() { folders().appData = savedAppData; }
    QString file(const QString &name, const QByteArray &content = "content") { return PackageFixture::file(name, content); }
    LabRecord sound()
    {
        LabRecord r;
        r.link = file(QStringLiteral("doc.pdf"));
        r.linkPage = QStringLiteral("2");
        r.topFile = file(QStringLiteral("net.top"));
        r.picture = file(QStringLiteral("net.gif"), QByteArray("GIF89a\x10\x00\x10\x00", 10) + QByteArray(40, '\0'));
        r.nwcFile = file(QStringLiteral("grade.nwc"), "number of devices=1\r\nnumber of routers=1\r\n");
        file(QStringLiteral("grade1.rtr"), "hostname R1\r\n");
        return r;
    }
    void lab(const QString &section, const QString &name, const std::optional<LabRecord> &record)
    {
        CatalogueNode *s = nullptr;
        for (CatalogueNode *existing : catalogue.sections())
            s = existing->text() == section ? existing : s;
        if (!s)
            s = catalogue.insertSection(section);
        catalogue.insertLab(s, name, record);
    }
    // "severity kind section/lab field-file" per problem.
    QStringList problems(const DocumentPages *pages = nullptr)
    {
        QStringList lines;
        for (const CatalogueProblem &p : checkCatalogue(catalogue, pages).problems)
            lines << QStringLiteral("%1 %2 %3/%4 %5").arg(severityId(severityOf(p)), kindId(p.kind), p.section, p.lab,
                                                           QFileInfo(p.file).fileName());
        return lines;
    }
};

} // namespace

TEST(CatalogueCheck, EachKindOfProblemIsFoundWithItsSeverity)
{
    Labs f;
    const ThreePages pages;
    f.lab(QStringLiteral("Clean"), QStringLiteral("Sound"), f.sound());
    EXPECT_EQ(f.problems(&pages), QStringList()) << "a clean catalogue";

    LabRecord r = f.sound();
    r.link = f.file(QStringLiteral("net2.top"));                                     // a topology file as the document
    r.picture = f.file(QStringLiteral("fake.gif"), "just text");                     // named as a picture
    r.loadNwcFile = f.file(QStringLiteral("empty.nwc"), "");                         // empty: asked about
    f.lab(QStringLiteral("Kinds"), QStringLiteral("Wrong"), r);
    r = f.sound();
    r.link = f.dir.filePath(QStringLiteral("gone.pdf"));
    r.topFile = f.dir.path();                                                         // a folder
    r.nwcFile = f.file(QStringLiteral("bad.nwc"), "number of devices=2\r\nremark\r\nnumber of routers=2\r\n");
    r.loadNwcFile = f.file(QStringLiteral("count.nwc"), "number of devices=2\r\nnumber of routers=1\r\n");
    f.lab(QStringLiteral("Kinds"), QStringLiteral("Missing"), r);
    r = f.sound();
    r.linkPage = QStringLiteral("7");
    r.nwcFile = f.file(QStringLiteral("two.nwc"), "number of devices=2\r\nnumber of routers=2\r\n");
    f.file(QStringLiteral("two1.rtr"));
    r.topFile.clear();
    r.description = QStringLiteral("see [notes] first");
    f.lab(QStringLiteral("Kinds"), QStringLiteral("Page"), r);
    // Extracted from a package whose folder was removed since.
    r = f.sound();
    r.link = folders().appData + QStringLiteral("CompilerLabs/old/Routing/doc.pdf");
    f.lab(QStringLiteral("Opened"), QStringLiteral("Extracted"), r);
    f.lab(QStringLiteral("Opened"), QStringLiteral("Bare"), std::nullopt);
    f.catalogue.insertSection(QStringLiteral("Empty"));

    EXPECT_EQ(f.problems(&pages),
              QStringList({u"opens-wrong wrong-kind Kinds/Wrong net2.top"_qs,
                           u"opens-wrong not-a-picture Kinds/Wrong fake.gif"_qs,
                           u"warning configuration-empty Kinds/Wrong empty.nwc"_qs,
                           u"opens-wrong file-not-there Kinds/Missing gone.pdf"_qs,
                           u"opens-wrong not-a-file Kinds/Missing "_qs + QFileInfo(f.dir.path()).fileName(),
                           u"cannot-build configuration-unknown-line Kinds/Missing bad.nwc"_qs,
                           u"cannot-build configuration-count-mismatch Kinds/Missing count.nwc"_qs,
                           u"cannot-build value-not-carried Kinds/Page "_qs,
                           u"warning page-beyond-end Kinds/Page doc.pdf"_qs,
                           u"opens-wrong no-file-given Kinds/Page "_qs,
                           u"cannot-build device-configuration-missing Kinds/Page two.nwc"_qs,
                           u"opens-wrong package-folder-gone Opened/Extracted doc.pdf"_qs,
                           u"opens-wrong lab-without-details Opened/Bare "_qs,
                           u"warning section-without-labs Empty/ "_qs}));
    // The causes name the particulars.
    const QList<CatalogueProblem> found = checkCatalogue(f.catalogue, &pages).problems;
    const auto causeOf = [&found](ProblemKind kind) {
        for (const CatalogueProblem &p : found)
            if (p.kind == kind)
                return problemCause(p);
        return QString();
    };
    EXPECT_EQ(causeOf(ProblemKind::PageBeyondEnd), u"opens at page 7, but the document has 3 pages");
    EXPECT_EQ(causeOf(ProblemKind::NwcDeviceMissing), u"needs the device configuration two2.rtr beside it, which is not there");
    EXPECT_EQ(causeOf(ProblemKind::NwcCountMismatch), u"counts 2 devices, but 1 routers, 0 switches and 0 PCs");
    EXPECT_TRUE(causeOf(ProblemKind::PackageFolderGone).contains(QStringLiteral("CompilerLabs/old,")));
    EXPECT_TRUE(causeOf(ProblemKind::ValueNotCarried).startsWith(QStringLiteral("\"see [notes] first\" holds both")));
    // Without a page counter, pages are not judged.
    EXPECT_FALSE(f.problems().join(u'\n').contains(QStringLiteral("page-beyond-end")));
}

// What the load merged and could not carry joins the list while its section is there.
TEST(CatalogueCheck, WhatTheLoadMergedOrDroppedIsReported)
{
    Labs f;
    const QString doc = f.file(QStringLiteral("d.pdf"));
    const QString top = f.file(QStringLiteral("t.top"));
    test::writeFile(f.catalogue.iniPath(),
                    QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n"
                                   "[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=1\r\nlab0=A\r\nlink0=%1\r\ntopfile0=%2\r\n"
                                   "[SECTION1]\r\nsectionname=ROUTING\r\nnumberofentries=1\r\nlab0=B\r\nlink0=%1\r\ntopfile0=%2\r\n"
                                   "[SECTION2]\r\nsectionname=Big\r\nnumberofentries=70000\r\nlab0=C\r\nlink0=%1\r\ntopfile0=%2\r\n")
                        .arg(doc, top)
                        .toUtf8());
    f.catalogue.createNewTree(f.prompter, f.data, f.data);
    EXPECT_EQ(f.problems(), QStringList({u"opens-wrong sections-merged Routing/ "_qs,
                                         u"cannot-build too-many-labs-loaded Big/ "_qs,
                                         u"warning section-without-labs Big/ "_qs}));
    // Saving now would lose the labs the load could not take; once their section is deleted here
    // it may.
    const QByteArray file = test::readFile(f.catalogue.iniPath());
    QString failure;
    EXPECT_FALSE(saveIni(f.catalogue, f.prompter, &failure));
    EXPECT_TRUE(failure.contains(QStringLiteral("counts 70000 labs in section \"Big\"")));
    EXPECT_EQ(test::readFile(f.catalogue.iniPath()), file);
    f.catalogue.removeNode(f.catalogue.sections().back());
    EXPECT_EQ(f.problems(), QStringList({u"opens-wrong sections-merged Routing/ "_qs}));
    EXPECT_TRUE(saveIni(f.catalogue, f.prompter));
}

// The compiler takes what the check learned as it stands: a configuration spoilt after the check
// is not read again (the check is what the author saw and answered).
TEST(CatalogueCheck, TheCompilerLooksAtNoFileTheCheckLookedAt)
{
    Labs f;
    const LabRecord r = f.sound();
    f.lab(QStringLiteral("Routing"), QStringLiteral("Ospf"), r);
    const CatalogueCheck check = checkCatalogue(f.catalogue);
    ASSERT_TRUE(check.problems.isEmpty());
    test::writeFile(r.nwcFile, "number of devices=1\r\nremark!!!!!!!!!\r\n"); // same size, now refused
    PackageCompiler reusing(f.prompter, &check.files);
    EXPECT_TRUE(reusing.gatherMembers(f.catalogue, f.data));
    EXPECT_EQ(reusing.members().size(), 6);
    EXPECT_EQ(reusing.members()[5].sourceSize, QFileInfo(f.files + QStringLiteral("grade1.rtr")).size());
    PackageCompiler looking(f.prompter);
    EXPECT_FALSE(looking.gatherMembers(f.catalogue, f.data));
}
