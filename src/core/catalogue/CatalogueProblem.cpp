#include "catalogue/CatalogueProblem.h"

#include "catalogue/CatalogueEditing.h"
#include "startup/LanguageTable.h"

#include <algorithm>

namespace fendrel {

ProblemSeverity severityOf(const CatalogueProblem &problem)
{
    switch (problem.kind) {
    case ProblemKind::ValueNotCarried:
    case ProblemKind::TooManyLabs:
    case ProblemKind::TooManyLabsLoaded:
    case ProblemKind::NwcUnknownLine:
    case ProblemKind::NwcCountMismatch:
    case ProblemKind::NwcDeviceMissing:
        return ProblemSeverity::CannotBuild;
    case ProblemKind::FileNotThere:
    case ProblemKind::NotAFile:
    case ProblemKind::FileNotReadable:
    case ProblemKind::PackageFolderGone:
        // The compiler reads every configuration before it lists a member; one it cannot read stops it.
        if (problem.field == LabFileField::GradingConfiguration || problem.field == LabFileField::LoadingConfiguration)
            return ProblemSeverity::CannotBuild;
        return ProblemSeverity::OpensWrong;
    case ProblemKind::SectionsMerged:
    case ProblemKind::LabWithoutDetails:
    case ProblemKind::NoFileGiven:
    case ProblemKind::WrongKind:
    case ProblemKind::NotAPicture:
        return ProblemSeverity::OpensWrong;
    case ProblemKind::NwcEmpty:
    case ProblemKind::SectionWithoutLabs:
    case ProblemKind::PageBeyondEnd:
        return ProblemSeverity::Warning;
    }
    return ProblemSeverity::CannotBuild;
}

QString severityText(ProblemSeverity severity)
{
    switch (severity) {
    case ProblemSeverity::CannotBuild: return langText(LangEntry::SeverityCannotBuildText);
    case ProblemSeverity::OpensWrong: return langText(LangEntry::SeverityOpensWrongText);
    case ProblemSeverity::Warning: break;
    }
    return langText(LangEntry::SeverityWarningText);
}

QString severityId(ProblemSeverity severity)
{
    switch (severity) {
    case ProblemSeverity::CannotBuild: return QStringLiteral("cannot-build");
    case ProblemSeverity::OpensWrong: return QStringLiteral("opens-wrong");
    case ProblemSeverity::Warning: break;
    }
    return QStringLiteral("warning");
}

QString kindId(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::ValueNotCarried: return QStringLiteral("value-not-carried");
    case ProblemKind::TooManyLabs: return QStringLiteral("too-many-labs");
    case ProblemKind::TooManyLabsLoaded: return QStringLiteral("too-many-labs-loaded");
    case ProblemKind::SectionsMerged: return QStringLiteral("sections-merged");
    case ProblemKind::LabWithoutDetails: return QStringLiteral("lab-without-details");
    case ProblemKind::NoFileGiven: return QStringLiteral("no-file-given");
    case ProblemKind::FileNotThere: return QStringLiteral("file-not-there");
    case ProblemKind::NotAFile: return QStringLiteral("not-a-file");
    case ProblemKind::FileNotReadable: return QStringLiteral("file-not-readable");
    case ProblemKind::WrongKind: return QStringLiteral("wrong-kind");
    case ProblemKind::NotAPicture: return QStringLiteral("not-a-picture");
    case ProblemKind::PackageFolderGone: return QStringLiteral("package-folder-gone");
    case ProblemKind::NwcUnknownLine: return QStringLiteral("configuration-unknown-line");
    case ProblemKind::NwcCountMismatch: return QStringLiteral("configuration-count-mismatch");
    case ProblemKind::NwcDeviceMissing: return QStringLiteral("device-configuration-missing");
    case ProblemKind::NwcEmpty: return QStringLiteral("configuration-empty");
    case ProblemKind::SectionWithoutLabs: return QStringLiteral("section-without-labs");
    case ProblemKind::PageBeyondEnd: return QStringLiteral("page-beyond-end");
    }
    return {};
}

namespace {

LangEntry wrongKindEntry(std::optional<LabFileField> field)
{
    switch (field.value_or(LabFileField::Document)) {
    case LabFileField::Document: return LangEntry::NotADocumentText;
    case LabFileField::Topology: return LangEntry::NotATopologyText;
    case LabFileField::Picture: return LangEntry::NotAPictureKindText;
    case LabFileField::GradingConfiguration:
    case LabFileField::LoadingConfiguration: break;
    }
    return LangEntry::NotAConfigurationText;
}

LangEntry causeEntry(const CatalogueProblem &problem)
{
    switch (problem.kind) {
    case ProblemKind::ValueNotCarried: return LangEntry::ValueRefusedText;
    case ProblemKind::TooManyLabs: return LangEntry::TooManyLabsText;
    case ProblemKind::TooManyLabsLoaded: return LangEntry::TooManyLabsLoadedText;
    case ProblemKind::SectionsMerged: return LangEntry::SectionsMergedText;
    case ProblemKind::LabWithoutDetails: return LangEntry::LabWithoutDetailsText;
    case ProblemKind::NoFileGiven:
        return problem.field == LabFileField::Topology ? LangEntry::NoTopologyGivenText : LangEntry::NoDocumentGivenText;
    case ProblemKind::FileNotThere: return LangEntry::FileNotThereText;
    case ProblemKind::NotAFile:
    case ProblemKind::FileNotReadable: return LangEntry::FileNotReadableText;
    case ProblemKind::WrongKind: return wrongKindEntry(problem.field);
    case ProblemKind::NotAPicture: return LangEntry::NotAReadablePictureText;
    case ProblemKind::PackageFolderGone: return LangEntry::PackageFolderGoneText;
    case ProblemKind::NwcUnknownLine: return LangEntry::NwcUnknownLineText;
    case ProblemKind::NwcCountMismatch: return LangEntry::NwcCountMismatchText;
    case ProblemKind::NwcDeviceMissing: return LangEntry::NwcDeviceMissingText;
    case ProblemKind::NwcEmpty: return LangEntry::NwcEmptyText;
    case ProblemKind::SectionWithoutLabs: return LangEntry::SectionWithoutLabsText;
    case ProblemKind::PageBeyondEnd: return LangEntry::PageBeyondEndText;
    }
    return LangEntry::FileNotThereText;
}

} // namespace

QString problemCause(const CatalogueProblem &problem)
{
    // The system's own words for what stands where a file belongs ("is a folder, not a file").
    if (problem.kind == ProblemKind::NotAFile)
        return problem.details.value(0);
    QString text = langText(causeEntry(problem));
    const QStringList &d = problem.details;
    if (problem.kind == ProblemKind::ValueNotCarried) {
        // The value itself tells which of the file's limits it meets.
        text = langText(catalogueValueRefusalEntry(d.value(0)).value_or(LangEntry::ValueRefusedText));
        if (!text.contains(QStringLiteral("%1")))
            return text;
    }
    // All at once, so that a detail holding "%1" (a file name may) is not filled in turn.
    switch (d.size()) {
    case 0: return text;
    case 1: return text.arg(d[0]);
    case 2: return text.arg(d[0], d[1]);
    case 3: return text.arg(d[0], d[1], d[2]);
    default: return text.arg(d[0], d[1], d[2], d[3]);
    }
}

QString problemLine(const CatalogueProblem &problem)
{
    QString where = problem.section.isEmpty() ? langText(LangEntry::TabTitleItem) : problem.section;
    if (!problem.lab.isEmpty())
        where += QStringLiteral(" / ") + problem.lab;
    if (!problem.file.isEmpty())
        where += QStringLiteral(": ") + problem.file;
    return where + QStringLiteral(": ") + problemCause(problem);
}

std::optional<ProblemSeverity> worstSeverity(const QList<CatalogueProblem> &problems)
{
    std::optional<ProblemSeverity> worst;
    for (const CatalogueProblem &problem : problems) {
        const ProblemSeverity severity = severityOf(problem);
        if (!worst || severity < *worst)
            worst = severity;
    }
    return worst;
}

} // namespace fendrel
