// The main window with a catalogue of 10,000 labs over real files: how long loading and showing
// take, and the longest time the window's thread answers no event while it loads and shows,
// checks, saves and compiles. A 10 ms timer on that thread records the longest gap between two of
// its ticks; a window that never freezes for more than 100 ms shows gaps under 100 ms.
//
//     build-release/bin/window_bench [LABS]

#include "gui/AddLabs.h"
#include "gui/ProblemsList.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace fendrel;

namespace {

// Ticks every 10 ms and keeps the longest gap between ticks since the last reset.
class GapMeter : public QObject {
public:
    GapMeter()
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(10);
    }
    void reset()
    {
        m_last = m_clock.elapsed();
        m_longest = 0;
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs work from the event loop, then lets the loop run until settled() holds (or 60 s pass),
// and reports the work's own time and the longest gap.
void phase(const char *name, GapMeter &meter, const std::function<void()> &work,
           const std::function<bool()> &settled = [] { return true; })
{
    QElapsedTimer clock;
    bool done = false;
    meter.reset();
    QTimer::singleShot(0, [&] {
        clock.start();
        work();
        done = true;
    });
    QElapsedTimer limit;
    limit.start();
    while ((!done || !settled()) && limit.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 total = clock.elapsed();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("%-34s %8lld ms   longest freeze %6lld ms   %s\n", name, static_cast<long long>(total),
                static_cast<long long>(meter.longest()), meter.longest() <= 100 ? "ok" : "FREEZES");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// LABS labs in sections of 500, each naming a document and a topology that exist.
void writeCatalogue(const QString &iniPath, const QString &files, int labs)
{
    QDir().mkpath(files);
    QByteArray ini = "[GENERAL]\r\ntabtitle=Benchmark Labs\r\nsku=0100000\r\n";
    for (int s = 0; s * 500 < labs; ++s) {
        const int inSection = std::min(500, labs - s * 500);
        const QString sectionSku = QStringLiteral("01%1").arg(s + 1, 2, 10, QLatin1Char('0'));
        ini += QStringLiteral("[SECTION%1]\r\nsectionname=Section %1\r\nsku=%2\r\nnumberofentries=%3\r\n")
                   .arg(s).arg(sectionSku + QStringLiteral("000")).arg(inSection).toUtf8();
        for (int j = 0; j < inSection; ++j) {
            const QString doc = QStringLiteral("%1/lab%2-%3.pdf").arg(files).arg(s).arg(j);
            const QString top = QStringLiteral("%1/lab%2-%3.top").arg(files).arg(s).arg(j);
            writeFile(doc, "%PDF-1.4 lab document");
            writeFile(top, "topology");
            ini += QStringLiteral("lab%1=Lab %2 %1\r\nlink%1=%3\r\ntopfile%1=%4\r\nsku%1=%5\r\n")
                       .arg(j).arg(s).arg(doc, top, sectionSku + QStringLiteral("%1").arg(j + 1, 3, 10, QLatin1Char('0')))
                       .toUtf8();
        }
    }
    writeFile(iniPath, ini);
}

} // namespace

int main(int argc, char **argv)
{
    test::GuiTestEnvironment environment;
    QApplication app(argc, argv);
    if (!environment.prepare())
        return 1;
    const int labs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    test::MainWindowHarness h;
    QTemporaryDir out;
    writeCatalogue(h.iniPath(), h.makeFile(QStringLiteral("keep"), "") + QStringLiteral(".d"), labs);
    std::printf("%d labs, Qt platform %s\n", labs, qPrintable(QGuiApplication::platformName()));

    GapMeter meter;
    phase("load and show", meter, [&] { h.open(); });
    std::printf("nodes in the tree: %d\n", static_cast<int>(h.catalogue().tree().count()));
    auto *problems = h.window().findChild<gui::ProblemsList *>();
    phase("check every file (worker)", meter, [] {}, [&] { return !problems || !problems->isChecking(); });
    phase("save the catalogue", meter, [&] { h.window().saveCatalogue(); });
    h.chooser.answers = {out.filePath(QStringLiteral("big.lab"))};
    h.prompter.answers = {MessageAnswer::No, MessageAnswer::No};
    phase("compile the package", meter, [&] { h.control<QPushButton>("cmdCreatePck")->click(); });
    for (const auto &shown : h.prompter.shown)
        std::printf("message: %s\n", qPrintable(shown.text.left(100)));
    std::printf("package: %lld bytes\n", static_cast<long long>(QFileInfo(out.filePath(QStringLiteral("big.lab"))).size()));
    return 0;
}
