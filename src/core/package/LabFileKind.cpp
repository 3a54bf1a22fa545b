#include "package/LabFileKind.h"

#include "catalogue/ImageHandler.h"
#include "interaction/Prompter.h"
#include "io/FileKind.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QDir>

#include <algorithm>
#include <initializer_list>

namespace fendrel {

MemberRoute routeOf(const QString &name)
{
    if (name.endsWith(QStringLiteral(".ini")))
        return MemberRoute::Catalogue;
    const QString lower = name.toLower();
    const auto endsWithAny = [&lower](std::initializer_list<const char *> suffixes) {
        return std::any_of(suffixes.begin(), suffixes.end(),
                           [&lower](const char *s) { return lower.endsWith(QLatin1String(s)); });
    };
    if (endsWithAny({".doc", ".pdf", ".txt"}))
        return MemberRoute::Document;
    // The picture check also takes PNG files (and JPEGs by any name); they must count as the
    // lab's picture too, or every later member would land one lab off.
    if (endsWithAny({".jpg", ".jpeg", ".gif", ".wmf", ".bmp", ".png"}))
        return MemberRoute::Picture;
    if (lower.endsWith(QLatin1String(".nwcl")))
        return MemberRoute::LoadingConfiguration;
    if (lower.endsWith(QLatin1String(".top")))
        return MemberRoute::Topology;
    if (lower.endsWith(QLatin1String(".nwc")))
        return MemberRoute::GradingConfiguration;
    return MemberRoute::Other;
}

QString labFileRefusal(LabFileField field, const QString &path)
{
    if (const QString why = whyNotARegularFile(path); !why.isEmpty())
        return why;
    const MemberRoute route = routeOf(fileNameOfPath(path));
    switch (field) {
    case LabFileField::Document:
        return route == MemberRoute::Document ? QString() : QStringLiteral("is not a lab document (.pdf, .doc or .txt)");
    case LabFileField::Topology:
        return route == MemberRoute::Topology ? QString() : QStringLiteral("is not a topology file (.top)");
    case LabFileField::Picture:
        if (route != MemberRoute::Picture)
            return QStringLiteral("is not a picture (.bmp, .jpg, .jpeg, .gif, .png or .wmf)");
        return imageHandler(path).ok ? QString() : QStringLiteral("is not a picture that Fendrel can read (BMP, JPEG, GIF or PNG)");
    case LabFileField::GradingConfiguration:
    case LabFileField::LoadingConfiguration:
        // A loading configuration travels as ".nwcl", which the package writer adds itself.
        return route == MemberRoute::GradingConfiguration ? QString() : QStringLiteral("is not a network configuration (.nwc)");
    }
    return {};
}

bool refuseLabFile(LabFileField field, const QString &path, Prompter &prompter)
{
    const QString refusal = labFileRefusal(field, path);
    if (refusal.isEmpty())
        return false;
    prompter.show(langText(LangEntry::FileRefusedMessage).arg(QDir::toNativeSeparators(path), refusal), MessageIcon::Exclamation,
                  MessageButtons::Ok, langText(LangEntry::MessageTitle));
    return true;
}

} // namespace fendrel
