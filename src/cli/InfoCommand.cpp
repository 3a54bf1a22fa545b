#include "cli/PackageCommands.h"

#include "io/FileKind.h"
#include "loader/PackageInspection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fendrel::cli {
namespace {

QString verdictName(PackageInspection::Verdict verdict)
{
    switch (verdict) {
    case PackageInspection::Verdict::Sound: return QStringLiteral("sound");
    case PackageInspection::Verdict::NotAPackage: return QStringLiteral("not a package");
    case PackageInspection::Verdict::Damaged: return QStringLiteral("damaged");
    case PackageInspection::Verdict::DoesNotFit: return QStringLiteral("does not fit its catalogue");
    case PackageInspection::Verdict::Incomplete: return QStringLiteral("incomplete");
    }
    return {};
}

QJsonArray membersJson(const QList<InspectedMember> &members)
{
    QJsonArray out;
    for (const InspectedMember &m : members) {
        QJsonObject member{{QStringLiteral("index"), m.index}, {QStringLiteral("name"), m.name}};
        if (m.size >= 0)
            member.insert(QStringLiteral("size"), m.size);
        else
            member.insert(m.size == InspectedMember::kNameOnly ? QStringLiteral("nameOnly") : QStringLiteral("missing"), true);
        out.append(member);
    }
    return out;
}

QByteArray inspectionJson(const QString &path, const PackageInspection &p)
{
    QJsonArray sections;
    for (const InspectedSection &s : p.sections) {
        QJsonArray labs;
        for (const InspectedLab &l : s.labs)
            labs.append(QJsonObject{{QStringLiteral("name"), l.name}, {QStringLiteral("members"), membersJson(l.members)}});
        sections.append(QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("labs"), labs}});
    }
    QJsonObject root{{QStringLiteral("package"), path},
                     {QStringLiteral("verdict"), verdictName(p.verdict)},
                     {QStringLiteral("packageSize"), p.packageSize},
                     {QStringLiteral("imageSize"), p.imageSize},
                     {QStringLiteral("members"), p.memberCount},
                     {QStringLiteral("tabTitle"), p.tabTitle},
                     {QStringLiteral("catalogue"), membersJson(p.catalogue)},
                     {QStringLiteral("sections"), sections},
                     {QStringLiteral("unplaced"), membersJson(p.unplaced)}};
    if (!p.why.isEmpty())
        root.insert(QStringLiteral("why"), p.why);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void printMembers(CliContext &context, const QList<InspectedMember> &members, const QString &indent)
{
    for (const InspectedMember &m : members)
        context.print(QStringLiteral("%1%2\t%3\t%4").arg(indent).arg(m.index).arg(escapedName(m.name), memberSizeText(m.size)));
}

} // namespace

int InfoCommand::run(const QStringList &args, CliContext &context)
{
    QStringList rest = args;
    const bool json = rest.removeAll(QStringLiteral("--json")) > 0;
    if (rest.size() != 1) {
        context.printError(QStringLiteral("info takes one PACKAGE and --json"));
        return kExitUsage;
    }
    const QString path = rest[0];
    if (const QString why = whyNotARegularFile(path); !why.isEmpty()) {
        context.printError(QStringLiteral("the package %1 %2").arg(path, why));
        return kExitFailed;
    }
    const PackageInspection p = inspectPackage(path);
    const bool opens = p.verdict == PackageInspection::Verdict::Sound;
    if (json) {
        std::fputs(inspectionJson(path, p).constData(), context.out);
    } else if (p.verdict != PackageInspection::Verdict::NotAPackage && p.verdict != PackageInspection::Verdict::Damaged) {
        context.print(QStringLiteral("%1: %2 bytes, %3 bytes expanded, %4 member(s)")
                          .arg(escapedName(path))
                          .arg(p.packageSize)
                          .arg(p.imageSize)
                          .arg(p.memberCount));
        context.print(QStringLiteral("Tab: %1").arg(escapedName(p.tabTitle)));
        printMembers(context, p.catalogue, QStringLiteral("  "));
        for (const InspectedSection &s : p.sections) {
            context.print(QStringLiteral("Section: %1").arg(escapedName(s.name)));
            for (const InspectedLab &l : s.labs) {
                context.print(QStringLiteral("  Lab: %1").arg(escapedName(l.name)));
                printMembers(context, l.members, QStringLiteral("    "));
            }
        }
        if (!p.unplaced.isEmpty()) {
            context.print(QStringLiteral("In no lab:"));
            printMembers(context, p.unplaced, QStringLiteral("  "));
        }
    }
    if (opens) {
        if (!json)
            context.print(QStringLiteral("The package is sound."));
        return kExitDone;
    }
    const QString says = p.verdict == PackageInspection::Verdict::DoesNotFit ? verdictName(p.verdict)
        : p.verdict == PackageInspection::Verdict::NotAPackage               ? QStringLiteral("is not a lab package")
                                                                              : QStringLiteral("is ") + verdictName(p.verdict);
    context.printError(QStringLiteral("%1 %2: %3").arg(path, says, p.why));
    return kExitFailed;
}

} // namespace fendrel::cli
