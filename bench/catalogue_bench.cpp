// Catalogue file speed: one atomic save and one read-once load of large catalogues, against
// the per-value writeIni sequence (which rewrites the whole file once per value) as yardstick.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "interaction/Prompter.h"

#include <QCoreApplication>
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

struct BigCatalogue {
    QTemporaryDir dir;
    Catalogue catalogue;
    SilentPrompter prompter;

    // labs spread over sections of at most 500; SKUs stored or left for the load to make.
    BigCatalogue(int labs, bool withSkus)
    {
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
            r.link = QStringLiteral("/home/author/Documents/Zelvan Nodara Labs/docs/lab%1.pdf").arg(i);
            r.linkPage = QString::number(i % 300 + 1);
            r.topFile = QStringLiteral("/home/author/Documents/Zelvan Nodara Labs/topologies/lab%1.top").arg(i);
            r.picture = i % 3 ? QString() : QStringLiteral("/home/author/pictures/lab%1.png").arg(i);
            r.nwcFile = QStringLiteral("/home/author/nwc/grade%1.nwc").arg(i);
            r.loadNwcFile = i % 2 ? QString() : QStringLiteral("/home/author/nwc/load%1.nwc").arg(i);
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
