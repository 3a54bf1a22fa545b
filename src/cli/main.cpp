#include "cli/CliApp.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fendrel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FENDREL_VERSION));
    fendrel::cli::CliContext context;
    fendrel::cli::CliApp cli;
    return cli.run(QCoreApplication::arguments().mid(1), context);
}
