// The window as the program runs it, over a data folder given on the command line: it deletes
// one lab, says "edited" on stdout and goes on running until it is killed. PackageFlowsTest kills
// it and looks for the edit in the next window.

#include "support/GuiTestSupport.h"

#include <cstdio>

int main(int argc, char **argv)
{
    fendrel::test::GuiTestEnvironment environment;
    QApplication app(argc, argv);
    if (argc != 3 || !environment.prepare())
        return 2;
    fendrel::test::MainWindowHarness h(QString::fromLocal8Bit(argv[1]));
    h.open();
    h.prompter.answers = {fendrel::MessageAnswer::Yes};
    if (!h.selectNode(QString::fromLocal8Bit(argv[2])) || !h.click("cmdDelete"))
        return 1;
    std::puts("edited");
    std::fflush(stdout);
    return QApplication::exec();
}
