#pragma once

#include "catalogue/CatalogueProblem.h"
#include "package/CatalogueCheck.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QHash>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <memory>

class QTableView;

namespace fendrel {
class Catalogue;
class CatalogueNode;
class DocumentPages;
} // namespace fendrel

namespace fendrel::gui {

// The rows of the Problems list: severity, section, lab, file and cause of each problem.
class ProblemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SeverityColumn, SectionColumn, LabColumn, FileColumn, CauseColumn, ColumnCount };
    using QAbstractTableModel::QAbstractTableModel;

    void setProblems(QList<CatalogueProblem> problems);
    const QList<CatalogueProblem> &problems() const { return m_problems; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<CatalogueProblem> m_problems;
};

// The Problems dock: every problem of the catalogue, kept current as it changes. A change is
// checked from what is known of its files at once; files not looked at yet (a new lab, a chosen
// file, an opened package) are looked at on a worker thread, and their problems join the list
// when that look is done. Files already known are looked at again when the window comes back to
// the front, since the author may have mended them elsewhere.
class ProblemsList : public QDockWidget {
    Q_OBJECT
public:
    ProblemsList(const Catalogue &catalogue, const DocumentPages *pages, QWidget *parent = nullptr);
    ~ProblemsList() override;

    const QList<CatalogueProblem> &problems() const { return m_model.problems(); }
    // Whether files are being looked at, so that the list may still grow or shrink.
    bool isChecking() const { return m_looking; }
    // Takes a whole check made elsewhere (the compile's) as the list.
    void showCheck(const CatalogueCheck &check);
    // Checks the catalogue again soon, as after a change (for what no change announces).
    void refreshSoon() { m_refreshSoon.start(); }
    // Looks at every file the catalogue names again.
    void recheckFiles();
    // Blocks until no look is running and the list is current (tests, and before quitting).
    void waitUntilCurrent();
    QTableView *view() const { return m_view; }

Q_SIGNALS:
    // After every update of the list.
    void problemsChanged(int count, bool checking);
    // A row was double-clicked (or Enter pressed on it).
    void problemActivated(const fendrel::CatalogueProblem &problem);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void look(const QStringList &paths);
    void tookLook(const CheckedFiles &found);

    const Catalogue &m_catalogue;
    const DocumentPages *m_pages;
    ProblemsModel m_model;
    QTableView *m_view;
    CheckedFiles m_files;
    QTimer m_refreshSoon;
    QThreadPool m_worker;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    bool m_looking = false;
    QStringList m_queued;   // paths to look at once the running look is done
    QSet<QString> m_pending; // paths being looked at or queued, so that a refresh does not ask again
    // Each lab's problems by its key, for the files as known now: a change re-checks only the labs
    // it touched, new knowledge of files all of them.
    QHash<QString, QList<CatalogueProblem>> m_labProblems;
    void forgetLab(const CatalogueNode *node);
};

} // namespace fendrel::gui
