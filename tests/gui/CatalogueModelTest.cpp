// The tree model over the catalogue document, checked by Qt's own model tester while the
// document changes in every way it can, and a view that keeps showing what the document holds.

#include "catalogue/Catalogue.h"
#include "gui/CatalogueModel.h"
#include "gui/CatalogueView.h"
#include "support/GuiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace fendrel;

class CatalogueModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsEveryChangeOfTheDocument();
    void theViewTellsChoicesButNotWhatTheProgramShows();
};

namespace {

QStringList rowsOf(const QAbstractItemModel &model, const QModelIndex &parent = {}, int depth = 0)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        rows << QString(depth, u'.') + index.data().toString();
        rows << rowsOf(model, index, depth + 1);
    }
    return rows;
}

} // namespace

void CatalogueModelTest::followsEveryChangeOfTheDocument()
{
    Catalogue c;
    gui::CatalogueModel model(c);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    c.clear(QStringLiteral("Tab"));
    CatalogueNode *s1 = c.insertSection(QStringLiteral("S1"));
    CatalogueNode *s2 = c.insertSection(QStringLiteral("S2"), {}, 0);
    CatalogueNode *a = c.insertLab(s1, QStringLiteral("a"), LabRecord{});
    c.insertLab(s1, QStringLiteral("b"), LabRecord{}, 0);
    c.insertLab(s2, QStringLiteral("c"), LabRecord{});
    QCOMPARE(rowsOf(model), (QStringList{u"Tab"_qs, u".S2"_qs, u"..c"_qs, u".S1"_qs, u"..b"_qs, u"..a"_qs}));
    QCOMPARE(model.indexOf(a).row(), 1);
    QCOMPARE(gui::CatalogueModel::nodeOf(model.indexOf(a)), a);
    QVERIFY(model.index(0, 0).data(Qt::FontRole).value<QFont>().bold());

    QVERIFY(c.moveNode(a, s2, 0));
    QVERIFY(c.moveNode(s1, c.tree().root(), 0));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    c.renameSection(s2, QStringLiteral("renamed"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toModelIndex(), model.indexOf(s2));
    QCOMPARE(rowsOf(model), (QStringList{u"Tab"_qs, u".S1"_qs, u"..b"_qs, u".Renamed"_qs, u"..a"_qs, u"..c"_qs}));

    QVERIFY(c.removeNode(s1));
    c.deleteAll();
    QCOMPARE(rowsOf(model), QStringList{QString()});
}

void CatalogueModelTest::theViewTellsChoicesButNotWhatTheProgramShows()
{
    Catalogue c;
    c.clear(QStringLiteral("Tab"));
    CatalogueNode *section = c.insertSection(QStringLiteral("S"));
    CatalogueNode *lab = c.insertLab(section, QStringLiteral("L"), LabRecord{});
    section->setExpanded(true);
    gui::CatalogueModel model(c);
    gui::CatalogueView view;
    view.setCatalogueModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.expand(model.index(0, 0));
    QVERIFY(view.isExpanded(model.indexOf(section))); // opened as the node says
    QSignalSpy chosen(&view, &gui::CatalogueView::nodeChosen);

    view.showNode(lab);
    QCOMPARE(view.currentNode(), lab);
    QVERIFY(chosen.isEmpty());

    // A click chooses once, also the node already current; the keyboard chooses where it moves.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.indexOf(lab)).center());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.indexOf(section)).center());
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(chosen.size(), 3);
    QCOMPARE(chosen[0].first().value<CatalogueNode *>(), lab);
    QCOMPARE(chosen[1].first().value<CatalogueNode *>(), section);
    QCOMPARE(chosen[2].first().value<CatalogueNode *>(), lab);

    // A node that becomes current because the one before it went is no choice of the user's.
    QVERIFY(c.removeNode(lab));
    QCOMPARE(view.currentNode(), section);
    QCOMPARE(chosen.size(), 3);

    // Collapsing is kept with the node, so a reloaded catalogue opens the same way.
    view.collapse(model.indexOf(section));
    QVERIFY(!section->isExpanded());
}

FENDREL_GUI_TEST_MAIN(CatalogueModelTest)
#include "CatalogueModelTest.moc"
