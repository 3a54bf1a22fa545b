#include "gui/PackageInspector.h"

#include "gui/Icon.h"
#include "interaction/FileChooser.h"
#include "interaction/Prompter.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace fendrel::gui {
namespace {

constexpr int kIndexRole = Qt::UserRole;

QString sizeText(qint64 size)
{
    if (size == InspectedMember::kNameOnly)
        return langText(LangEntry::MemberNameOnlyText);
    if (size == InspectedMember::kMissing)
        return langText(LangEntry::MemberMissingText);
    return QStringLiteral("%1 bytes").arg(size);
}

QString verdictText(const PackageInspection &p)
{
    switch (p.verdict) {
    case PackageInspection::Verdict::Sound: return langText(LangEntry::InspectorSoundText);
    case PackageInspection::Verdict::NotAPackage: return QStringLiteral("This is not a lab package: %1.").arg(p.why);
    case PackageInspection::Verdict::Damaged: return QStringLiteral("The package is damaged: %1").arg(p.why);
    case PackageInspection::Verdict::DoesNotFit: return QStringLiteral("The package does not fit its catalogue: %1.").arg(p.why);
    case PackageInspection::Verdict::Incomplete: return QStringLiteral("The package is incomplete: %1.").arg(p.why);
    }
    return {};
}

void addMembers(QTreeWidgetItem *parent, const QList<InspectedMember> &members)
{
    for (const InspectedMember &m : members) {
        auto *item = new QTreeWidgetItem(parent, {QStringLiteral("%1. %2").arg(m.index).arg(m.name), sizeText(m.size)});
        item->setData(0, kIndexRole, m.index);
    }
}

} // namespace

PackageInspector::PackageInspector(const QString &packagePath, Prompter &prompter, FileChooser &chooser, QWidget *parent)
    : QWidget(parent, Qt::Window), m_packagePath(packagePath), m_inspection(inspectPackage(packagePath)),
      m_prompter(prompter), m_chooser(chooser)
{
    setObjectName(QStringLiteral("frmInspector"));
    setWindowTitle(langText(LangEntry::InspectorTitle) + QStringLiteral(" - ") + fileNameOfPath(packagePath));
    setIcon(this, kIconResource, false);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tvMembers = new QTreeWidget(this);
    tvMembers->setObjectName(QStringLiteral("tvMembers"));
    tvMembers->setAccessibleName(QStringLiteral("Package contents"));
    tvMembers->setHeaderLabels({QStringLiteral("Section, lab and member"), QStringLiteral("Size")});
    tvMembers->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    cmdSaveMember = new QPushButton(langText(LangEntry::SaveMemberCaption), this);
    cmdSaveMember->setObjectName(QStringLiteral("cmdSaveMember"));
    connect(cmdSaveMember, &QPushButton::clicked, this, [this] { saveSelectedMember(); });
    connect(tvMembers, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        cmdSaveMember->setEnabled(item && item->data(0, kIndexRole).isValid());
    });
    cmdSaveMember->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(tvMembers, 1);
    layout->addWidget(cmdSaveMember, 0, Qt::AlignRight);
    resize(560, 480);

    lblSummary->setText(QStringLiteral("%1: %2 bytes, %3 bytes expanded, %4 member(s).\n%5")
                            .arg(fileNameOfPath(packagePath))
                            .arg(m_inspection.packageSize)
                            .arg(m_inspection.imageSize)
                            .arg(m_inspection.memberCount)
                            .arg(verdictText(m_inspection)));
    fillTree();
}

void PackageInspector::fillTree()
{
    auto *tab = new QTreeWidgetItem(tvMembers, {m_inspection.tabTitle});
    auto *catalogue = new QTreeWidgetItem(tab, {langText(LangEntry::InspectorCatalogueItem)});
    addMembers(catalogue, m_inspection.catalogue);
    for (const InspectedSection &s : m_inspection.sections) {
        auto *section = new QTreeWidgetItem(tab, {s.name});
        for (const InspectedLab &l : s.labs)
            addMembers(new QTreeWidgetItem(section, {l.name}), l.members);
    }
    if (!m_inspection.unplaced.isEmpty())
        addMembers(new QTreeWidgetItem(tab, {langText(LangEntry::InspectorNoLabItem)}), m_inspection.unplaced);
    tvMembers->expandAll();
}

bool PackageInspector::saveSelectedMember()
{
    const QTreeWidgetItem *item = tvMembers->currentItem();
    if (!item || !item->data(0, kIndexRole).isValid()) {
        m_prompter.message(LangEntry::NoMemberSelectedMessage, MessageIcon::Information);
        return false;
    }
    // A name-only member stands for the first member of its name that carries content.
    const qint64 index = item->data(0, kIndexRole).toLongLong();
    QList<InspectedMember> all = m_inspection.catalogue + m_inspection.unplaced;
    for (const InspectedSection &s : m_inspection.sections)
        for (const InspectedLab &l : s.labs)
            all += l.members;
    std::sort(all.begin(), all.end(), [](const InspectedMember &a, const InspectedMember &b) { return a.index < b.index; });
    const auto chosen = std::find_if(all.begin(), all.end(), [index](const InspectedMember &m) { return m.index == index; });
    qint64 source = index;
    if (chosen != all.end() && chosen->size == InspectedMember::kNameOnly) {
        const auto first = std::find_if(all.begin(), all.end(), [&](const InspectedMember &m) {
            return m.name == chosen->name && m.size >= 0;
        });
        source = first != all.end() ? first->index : -1;
    }

    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = langText(LangEntry::SaveMemberCaption);
    request.options = FileDialogOption::OverwritePrompt | FileDialogOption::HideReadOnly;
    const QString target = m_chooser.chooseFile(request);
    if (target.isEmpty())
        return false;
    QString failure = source < 0 ? QStringLiteral("the package carries no content for %1").arg(chosen->name) : QString();
    if (source < 0 || !savePackageMember(m_packagePath, source, target, &failure)) {
        m_prompter.show(failure, MessageIcon::Critical, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        return false;
    }
    return true;
}

} // namespace fendrel::gui
