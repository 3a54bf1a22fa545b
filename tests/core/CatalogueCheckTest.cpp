// The catalogue check: every kind of problem found on a catalogue made to have it, with the
// severity that decides what compiles, and nothing on a clean one; and the picture reader it uses.

#include "catalogue/ImageHandler.h"
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
        file(u"grade1.rtr"_qs, "hostname R1\r\n");
        LabRecord r = record(file(u"doc.pdf"_qs), file(u"net.top"_qs),
                             file(u"net.gif"_qs, QByteArray("GIF89a\x10\x00\x10\x00", 10) + QByteArray(40, '\0')),
                             file(u"grade.nwc"_qs, "number of devices=1\r\nnumber of routers=1\r\n"));
        r.linkPage = u"2"_qs;
        return r;
    }
    void lab(const QString &section, const QString &name, const std::optional<LabRecord> &record)
    {
        CatalogueNode *s = nullptr;
        for (CatalogueNode *existing : catalogue.sections())
            s = existing->text() == section ? existing : s;
        catalogue.insertLab(s ? s : catalogue.insertSection(section), name, record);
    }
    // "severity kind section/lab field-file" per problem.
    QStringList problems(const DocumentPages *pages = nullptr)
    {
        QStringList lines;
        for (const CatalogueProblem &p : checkCatalogue(catalogue, pages).problems)
            lines << u"%1 %2 %3/%4 %5"_qs.arg(severityId(severityOf(p)), kindId(p.kind), p.section, p.lab,
                                              QFileInfo(p.file).fileName());
        return lines;
    }
};

QByteArray header(std::initializer_list<std::pair<int, int>> bytes, qsizetype size = 256)
{
    QByteArray h(size, '\0');
    for (auto [at, value] : bytes)
        h[at] = static_cast<char>(value);
    return h;
}

QByteArray png(quint32 width, quint32 height)
{
    QByteArray h = header({{0, 137}, {1, 'P'}, {2, 'N'}, {3, 'G'}});
    for (int i = 0; i < 4; ++i) {
        h[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        h[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return h;
}

} // namespace

TEST(CatalogueCheck, EachKindOfProblemIsFoundWithItsSeverityAndEachPictureFormatIsRead)
{
    Labs f;
    const ThreePages pages;
    f.lab(u"Clean"_qs, u"Sound"_qs, f.sound());
    EXPECT_EQ(f.problems(&pages), QStringList()) << "a clean catalogue";

    LabRecord r = f.sound();
    r.link = f.file(u"net2.top"_qs);                                 // a topology file as the document
    r.picture = f.file(u"fake.gif"_qs, "just text");                 // named as a picture
    r.loadNwcFile = f.file(u"empty.nwc"_qs, "");                     // empty: asked about
    f.lab(u"Kinds"_qs, u"Wrong"_qs, r);
    r = f.sound();
    r.link = f.dir.filePath(u"gone.pdf"_qs);
    r.topFile = f.dir.path();                                         // a folder
    r.nwcFile = f.file(u"bad.nwc"_qs, "number of devices=2\r\nremark\r\nnumber of routers=2\r\n");
    r.loadNwcFile = f.file(u"count.nwc"_qs, "number of devices=2\r\nnumber of routers=1\r\n");
    f.lab(u"Kinds"_qs, u"Missing"_qs, r);
    r = f.sound();
    r.linkPage = u"7"_qs;
    r.nwcFile = f.file(u"two.nwc"_qs, "number of devices=2\r\nnumber of routers=2\r\n");
    f.file(u"two1.rtr"_qs);
    r.topFile.clear();
    r.description = u"see [notes] first"_qs;
    f.lab(u"Kinds"_qs, u"Page"_qs, r);
    // Extracted from a package whose folder was removed since.
    r = f.sound();
    r.link = folders().appData + u"CompilerLabs/old/Routing/doc.pdf"_qs;
    f.lab(u"Opened"_qs, u"Extracted"_qs, r);
    f.lab(u"Opened"_qs, u"Bare"_qs, std::nullopt);
    f.catalogue.insertSection(u"Empty"_qs);

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
    EXPECT_TRUE(causeOf(ProblemKind::PackageFolderGone).contains(u"CompilerLabs/old,"_qs));
    EXPECT_TRUE(causeOf(ProblemKind::ValueNotCarried).startsWith(u"\"see [notes] first\" holds both"_qs));
    // Without a page counter, pages are not judged.
    EXPECT_FALSE(f.problems().join(u'\n').contains(u"page-beyond-end"_qs));

    // The picture reader: each format reads its size and refuses what overflows sixteen bits.
    const std::pair<QByteArray, QString> cases[] = {
        // PNG keeps only the low sixteen bits of its 32-bit sizes.
        {png(70000, 300), u"png 4464x300"_qs},
        {png(40000, 10), u"refused png 0x0"_qs},
        {png(10, 32768), u"refused png 0x0"_qs},
        {png(32767, 10), u"png 32767x10"_qs},
        // A 40-byte bitmap header has 32-bit fields, and bottom-up bitmaps a negative height.
        {header({{0, 'B'}, {1, 'M'}, {14, 40}, {18, 0x70}, {19, 0x11}, {20, 0x01}, {22, 0xFF}, {23, 0xFF}, {24, 0xFF},
                 {25, 0xFF}}),
         u"bmp 70000x-1"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 12}, {18, 0x20}, {19, 0x03}, {20, 0x58}, {21, 0x02}}), u"bmp 800x600"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 12}, {19, 0x80}}), u"refused bmp 0x0"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 108}, {18, 5}}), u"bmp 0x0"_qs},
        // JPEG: the first frame marker whose size bytes lie within the 256-byte header.
        {header({{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xE0}, {20, 0xFF}, {21, 0xC2}, {25, 0x01}, {26, 0x2C}, {27, 0x02},
                 {28, 0x58}}),
         u"jpg 600x300"_qs},
        {header({{0, 0xFF}, {1, 0xD8}, {247, 0xFF}, {248, 0xC0}, {254, 0x01}, {255, 0x02}}), u"jpg 258x0"_qs},
        {header({{0, 0xFF}, {1, 0xD8}, {248, 0xFF}, {249, 0xC0}, {255, 0x02}}), u"jpg 0x0"_qs},
        {QByteArray("GIF89a\x40\x01\xF0\x00", 10), u"gif 320x240"_qs},
        // A placeable Windows Metafile is offered by the picture filter but never recognised.
        {QByteArray("\xD7\xCD\xC6\x9A\x00\x00", 6), u"refused  0x0"_qs},
    };
    for (const auto &[bytes, expected] : cases) {
        const ImageInfo info = imageInfo(bytes);
        EXPECT_EQ((info.ok ? QString() : u"refused "_qs) + info.type + u" %1x%2"_qs.arg(info.width).arg(info.height),
                  expected);
    }

    // On disk: missing bytes read as zero; a file that is not there is refused.
    test::PackageFixture pictures;
    EXPECT_TRUE(imageHandler(pictures.file(u"short.bmp"_qs, "BM")).ok);
    EXPECT_EQ(imageHandler(pictures.file(u"pic.png"_qs, png(64, 48) + QByteArray(1000, 'x'))).height, 48);
    EXPECT_FALSE(imageHandler(pictures.files + u"missing.png"_qs).ok);
}

// What the load merged and could not carry joins the list while its section is there.
TEST(CatalogueCheck, WhatTheLoadMergedOrDroppedIsReportedAndTheCompilerTakesTheCheckAsItStands)
{
    Labs f;
    const QString doc = f.file(u"d.pdf"_qs);
    const QString top = f.file(u"t.top"_qs);
    test::writeFile(f.catalogue.iniPath(),
                    u"[GENERAL]\r\ntabtitle=T\r\n"
                    "[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=1\r\nlab0=A\r\nlink0=%1\r\ntopfile0=%2\r\n"
                    "[SECTION1]\r\nsectionname=ROUTING\r\nnumberofentries=1\r\nlab0=B\r\nlink0=%1\r\ntopfile0=%2\r\n"
                    "[SECTION2]\r\nsectionname=Big\r\nnumberofentries=70000\r\nlab0=C\r\nlink0=%1\r\ntopfile0=%2\r\n"_qs
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

    // The compiler takes what the check learned as it stands: a configuration spoilt after the check is not
    // read again (the check is what the author saw and answered).
    Labs g;
    const LabRecord r = g.sound();
    g.lab(u"Routing"_qs, u"Ospf"_qs, r);
    const CatalogueCheck check = checkCatalogue(g.catalogue);
    ASSERT_TRUE(check.problems.isEmpty());
    test::writeFile(r.nwcFile, "number of devices=1\r\nremark!!!!!!!!!\r\n"); // same size, now refused
    PackageCompiler reusing(g.prompter, &check.files);
    EXPECT_TRUE(reusing.gatherMembers(g.catalogue, g.data));
    EXPECT_EQ(reusing.members().size(), 6);
    EXPECT_EQ(reusing.members()[5].sourceSize, QFileInfo(g.files + u"grade1.rtr"_qs).size());
    PackageCompiler looking(g.prompter);
    EXPECT_FALSE(looking.gatherMembers(g.catalogue, g.data));
}

