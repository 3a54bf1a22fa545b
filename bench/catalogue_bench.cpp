// Catalogue file speed: one atomic save and one read-once load of large catalogues, against
// the per-value writeIni sequence (which rewrites the whole file once per value) as yardstick.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "interaction/Prompter.h"
#include "package/CatalogueCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace fendrel;

namespace {

class SilentPrompter : public Prompter {
public:
    MessageAnswer show(const QString &, MessageIcon, MessageButtons, const QString &) override
    {
        return MessageAnswer::Ok;
    }
};

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

void makeFiles(const LabRecord &r)
{
    writeFile(r.link, "%PDF-1.4 lab document");
    writeFile(r.topFile, "topology");
    if (!r.picture.isEmpty())
        writeFile(r.picture, QByteArray("GIF89a\x40\x00\x30\x00", 10) + QByteArray(64, '\0'));
    const QByteArray configuration = "number of devices=2\r\nnumber of routers=1\r\nnumber of switches=1\r\n";
    for (const QString &nwc : {r.nwcFile, r.loadNwcFile}) {
        if (nwc.isEmpty())
            continue;
        writeFile(nwc, configuration);
        for (int device = 1; device <= 2; ++device)
            writeFile(QString(nwc).replace(QStringLiteral(".nwc"), QStringLiteral("%1.rtr").arg(device)), "hostname R\r\n");
    }
}

struct BigCatalogue {
    QTemporaryDir dir;
    Catalogue catalogue;
    SilentPrompter prompter;

    // labs spread over sections of at most 500; SKUs stored or left for the load to make. With
    // files, every path the labs name is a real file below the catalogue's folder.
    BigCatalogue(int labs, bool withSkus, bool withFiles = false)
    {
        const QString home = withFiles ? dir.path() + QStringLiteral("/home") : QStringLiteral("/home/author");
        catalogue.setIniPath(dir.path() + QStringLiteral("/Fendrel.ini"));
        catalogue.clear(QStringLiteral("Benchmark Labs"), withSkus ? QStringLiteral("0100000") : QString());
        CatalogueNode *sectionNode = nullptr;
        for (int i = 0; i < labs; ++i) {
            const int s = i / 500;
            const QString section = QStringLiteral("Section number %1").arg(s);
            if (i % 500 == 0)
                sectionNode = catalogue.insertSection(
                    section, withSkus ? QStringLiteral("01%1000").arg(s + 1, 2, 10, QLatin1Char('0')) : QString());
            LabRecord r;
            r.link = home + QStringLiteral("/Documents/Zelvan Nodara Labs/docs/lab%1.pdf").arg(i);
            r.linkPage = QString::number(i % 300 + 1);
            r.topFile = home + QStringLiteral("/Documents/Zelvan Nodara Labs/topologies/lab%1.top").arg(i);
            r.picture = i % 3 ? QString() : home + QStringLiteral("/pictures/lab%1.gif").arg(i);
            r.nwcFile = home + QStringLiteral("/nwc/grade%1.nwc").arg(i);
            r.loadNwcFile = i % 2 ? QString() : home + QStringLiteral("/nwc/load%1.nwc").arg(i);
            if (withFiles)
                makeFiles(r);
            r.description = QStringLiteral("Configure OSPF areas and verify adjacency in lab %1").arg(i);
            r.examsCovered = QStringLiteral("icnd1,route");
            r.mode = i % 4 ? QString() : QStringLiteral("testsim");
            if (withSkus)
                r.sku = QStringLiteral("01%1%2").arg(s + 1, 2, 10, QLatin1Char('0')).arg(i % 500 + 1, 3, 10, QLatin1Char('0'));
            catalogue.insertLab(sectionNode, QStringLiteral("Lab %1").arg(i), r);
        }
    }
};

void BM_SaveIni(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(saveIni(big.catalogue, big.prompter));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveIni)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CreateNewTree(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), state.range(1) != 0);
    saveIni(big.catalogue, big.prompter);
    for (auto _ : state) {
        Catalogue loaded;
        loaded.createNewTree(big.prompter, big.dir.path());
        benchmark::DoNotOptimize(loaded.tree().count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CreateNewTree)->Args({1000, 1})->Args({10000, 1})->Args({10000, 0})->Unit(benchmark::kMillisecond);

// The whole check of a catalogue whose files are all there (each looked at once: a stat, and a
// reading of each picture and configuration), and the part that runs on the window's thread after
// an edit, when the files are known already.
void BM_CheckCatalogue(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), true, true);
    for (auto _ : state) {
        const CatalogueCheck check = checkCatalogue(big.catalogue);
        if (!check.problems.isEmpty())
            state.SkipWithError("the catalogue has problems");
        benchmark::DoNotOptimize(check.files.facts.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CheckCatalogue)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CatalogueProblemsOfKnownFiles(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), true, true);
    const CatalogueCheck check = checkCatalogue(big.catalogue);
    for (auto _ : state)
        benchmark::DoNotOptimize(catalogueProblems(big.catalogue, check.files).size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CatalogueProblemsOfKnownFiles)->Arg(10000)->Unit(benchmark::kMillisecond);

// What the window's list does after one edit: every other lab's problems come from its cache.
void BM_CatalogueProblemsAfterOneEdit(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), true, true);
    const CatalogueCheck check = checkCatalogue(big.catalogue);
    QHash<QString, QList<CatalogueProblem>> cached;
    catalogueProblems(big.catalogue, check.files, [&](const CatalogueNode &section, const CatalogueNode &lab) {
        return *cached.insert(lab.key(), labProblems(big.catalogue, section, lab, check.files));
    });
    const QString edited = big.catalogue.sections().front()->children().front()->key();
    for (auto _ : state) {
        cached.remove(edited);
        benchmark::DoNotOptimize(
            catalogueProblems(big.catalogue, check.files, [&](const CatalogueNode &section, const CatalogueNode &lab) {
                auto known = cached.constFind(lab.key());
                if (known == cached.constEnd())
                    known = cached.insert(lab.key(), labProblems(big.catalogue, section, lab, check.files));
                return *known;
            }).size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CatalogueProblemsAfterOneEdit)->Arg(10000)->Unit(benchmark::kMillisecond);

// The yardstick: twelve-plus whole-file rewrites per lab.
void BM_WriteIniPerValue(benchmark::State &state)
{
    BigCatalogue big(static_cast<int>(state.range(0)), true);
    const QStringList lines = catalogueFileLines(big.catalogue, big.prompter);
    for (auto _ : state) {
        const QString path = big.dir.path() + QStringLiteral("/PerValue.ini");
        QFile::remove(path);
        QString section;
        for (const QString &line : lines) {
            if (line.startsWith(u'['))
                section = line.mid(1, line.size() - 2);
            else
                writeIni(section, line.left(line.indexOf(u'=')), line.mid(line.indexOf(u'=') + 1), path);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteIniPerValue)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
