#include "gui/ProblemsList.h"

#include "catalogue/Catalogue.h"
#include "startup/LanguageTable.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <QSet>

namespace fendrel::gui {

void ProblemsModel::setProblems(QList<CatalogueProblem> problems)
{
    if (problems == m_problems)
        return;
    beginResetModel();
    m_problems = std::move(problems);
    endResetModel();
}

int ProblemsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_problems.size());
}

int ProblemsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProblemsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_problems.size())
        return {};
    const CatalogueProblem &problem = m_problems[index.row()];
    const ProblemSeverity severity = severityOf(problem);
    if (role == Qt::DecorationRole && index.column() == SeverityColumn) {
        const QStyle::StandardPixmap icon = severity == ProblemSeverity::CannotBuild ? QStyle::SP_MessageBoxCritical
            : severity == ProblemSeverity::OpensWrong                               ? QStyle::SP_MessageBoxWarning
                                                                                     : QStyle::SP_MessageBoxInformation;
        return QApplication::style()->standardIcon(icon);
    }
    if (role == Qt::ToolTipRole)
        return severityText(severity) + QStringLiteral(": ") + problemLine(problem);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case SeverityColumn: return severityText(severity);
    case SectionColumn: return problem.section.isEmpty() ? langText(LangEntry::TabTitleItem) : problem.section;
    case LabColumn: return problem.lab;
    case FileColumn: return QDir::toNativeSeparators(problem.file);
    case CauseColumn: return problemCause(problem);
    default: break;
    }
    return {};
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SeverityColumn: return langText(LangEntry::ProblemSeverityHeader);
    case SectionColumn: return langText(LangEntry::ProblemSectionHeader);
    case LabColumn: return langText(LangEntry::ProblemLabHeader);
    case FileColumn: return langText(LangEntry::ProblemFileHeader);
    case CauseColumn: return langText(LangEntry::ProblemCauseHeader);
    default: break;
    }
    return {};
}

ProblemsList::ProblemsList(const Catalogue &catalogue, const DocumentPages *pages, QWidget *parent)
    : QDockWidget(langText(LangEntry::ProblemsCaption), parent), m_catalogue(catalogue), m_pages(pages),
      m_model(this), m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("dockProblems"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetClosable);
    m_view->setObjectName(QStringLiteral("lstProblems"));
    m_view->setAccessibleName(langText(LangEntry::ProblemsCaption));
    m_view->setModel(&m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setColumnWidth(ProblemsModel::SeverityColumn, 120);
    m_view->setColumnWidth(ProblemsModel::FileColumn, 260);
    setWidget(m_view);
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_model.problems().size())
            Q_EMIT problemActivated(m_model.problems()[index.row()]);
    });

    m_worker.setMaxThreadCount(1);
    // A burst of changes (a wizard import, a tree rebuilt) is checked once.
    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(50);
    connect(&m_refreshSoon, &QTimer::timeout, this, &ProblemsList::refresh);
    connect(&m_catalogue, &Catalogue::changed, &m_refreshSoon, qOverload<>(&QTimer::start));
    connect(&m_catalogue, &Catalogue::wasReset, this, [this] {
        m_labProblems.clear();
        m_refreshSoon.start();
    });
    connect(&m_catalogue, &Catalogue::nodeChanged, this, &ProblemsList::forgetLab);
    connect(&m_catalogue, &Catalogue::nodeAboutToBeRemoved, this, &ProblemsList::forgetLab);
    connect(&m_catalogue, &Catalogue::nodeMoved, this, &ProblemsList::forgetLab);
    if (parent)
        parent->installEventFilter(this);
    // Not now: the window that builds this list has just loaded its catalogue, and a large one
    // takes each of the two a noticeable while. Apart, the window can draw between them.
    m_refreshSoon.start();
}

ProblemsList::~ProblemsList()
{
    m_stop->store(true);
    m_worker.waitForDone();
}

bool ProblemsList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && watched == parent())
        recheckFiles();
    return QDockWidget::eventFilter(watched, event);
}

void ProblemsList::forgetLab(const CatalogueNode *node)
{
    // A section's labs carry its name, so a renamed or removed section takes theirs along.
    m_labProblems.remove(node->key());
    for (const CatalogueNode *child : node->children())
        m_labProblems.remove(child->key());
}

void ProblemsList::refresh()
{
    m_refreshSoon.stop();
    QStringList unknown = filesToLookAt(m_catalogue, m_files);
    unknown.removeIf([this](const QString &path) { return m_pending.contains(path); });
    if (!unknown.isEmpty())
        look(unknown);
    m_model.setProblems(catalogueProblems(m_catalogue, m_files, [this](const CatalogueNode &section, const CatalogueNode &lab) {
        auto known = m_labProblems.constFind(lab.key());
        if (known == m_labProblems.constEnd())
            known = m_labProblems.insert(lab.key(), labProblems(m_catalogue, section, lab, m_files));
        return *known;
    }));
    Q_EMIT problemsChanged(static_cast<int>(m_model.problems().size()), m_looking);
}

void ProblemsList::look(const QStringList &paths)
{
    for (const QString &path : paths)
        m_pending.insert(path);
    if (m_looking) {
        m_queued += paths;
        return;
    }
    m_looking = true;
    m_worker.start([this, paths, stop = m_stop, pages = m_pages] {
        CheckedFiles found;
        lookAtFiles(paths, found, pages, stop.get());
        if (stop->load())
            return;
        // Delivered on the window's thread; the destructor waits for this task, so this is alive.
        QMetaObject::invokeMethod(this, [this, found = std::move(found)] { tookLook(found); }, Qt::QueuedConnection);
    });
}

void ProblemsList::tookLook(const CheckedFiles &found)
{
    m_labProblems.clear();
    for (auto it = found.facts.cbegin(); it != found.facts.cend(); ++it) {
        m_files.facts.insert(it.key(), it.value());
        m_pending.remove(it.key());
    }
    m_looking = false;
    if (!m_queued.isEmpty())
        look(std::exchange(m_queued, {}));
    refresh();
}

void ProblemsList::showCheck(const CatalogueCheck &check)
{
    m_labProblems.clear();
    for (auto it = check.files.facts.cbegin(); it != check.files.facts.cend(); ++it)
        m_files.facts.insert(it.key(), it.value());
    // The check found every problem already; finding them again would only keep the window waiting.
    m_refreshSoon.stop();
    m_model.setProblems(check.problems);
    Q_EMIT problemsChanged(static_cast<int>(m_model.problems().size()), m_looking);
}

void ProblemsList::recheckFiles()
{
    if (m_looking)
        return;
    look(filesToLookAt(m_catalogue, {}));
}

void ProblemsList::waitUntilCurrent()
{
    while (m_looking || m_refreshSoon.isActive()) {
        m_worker.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (m_refreshSoon.isActive())
            refresh();
    }
}

} // namespace fendrel::gui
