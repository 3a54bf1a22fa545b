// Turns the manual's HTML into help.pdf with Qt's own PDF writer, at build time.
// Usage: manual_build MANUAL.html OUTPUT.pdf (pictures are found beside the HTML and in its parent).

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: manual_build MANUAL.html OUTPUT.pdf\n");
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manual_build: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QString html = QString::fromUtf8(source.readAll());

    // A picture that cannot be found keeps the printer waiting for it, so name it and stop.
    const QString folder = QFileInfo(args[1]).absolutePath() + QStringLiteral("/");
    static const QRegularExpression picture(QStringLiteral("<img[^>]*src=\"([^\"]+)\""));
    // The printer's copy of the document loads pictures relative to the working folder, not to
    // the base URL, so every picture is named by its absolute path.
    QStringList names;
    for (auto it = picture.globalMatch(html); it.hasNext();)
        names << it.next().captured(1);
    for (const QString &name : names) {
        const QFileInfo file(folder + name);
        if (!file.exists()) {
            std::fprintf(stderr, "manual_build: picture %s not found\n", qPrintable(name));
            return 1;
        }
        html.replace(QStringLiteral("src=\"%1\"").arg(name), QStringLiteral("src=\"%1\"").arg(file.canonicalFilePath()));
    }

    QTextDocument document;
    // Pictures named in the manual are looked up relative to its folder.
    document.setBaseUrl(QUrl::fromLocalFile(folder));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setHtml(html);

    // Written beside the target and renamed, so an interrupted build leaves no broken manual.
    const QString partial = args[2] + QStringLiteral(".part");
    {
        QPdfWriter writer(partial);
        writer.setTitle(QStringLiteral("Fendrel Lab Builder: User Manual"));
        writer.setCreator(QStringLiteral("Fendrel"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        document.print(&writer);
    }
    QFile::remove(args[2]);
    if (!QFile::rename(partial, args[2])) {
        std::fprintf(stderr, "manual_build: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
