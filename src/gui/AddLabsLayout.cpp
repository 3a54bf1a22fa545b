#include "gui/AddLabs.h"

#include "catalogue/ExamList.h"
#include "gui/CatalogueModel.h"
#include "gui/CatalogueView.h"
#include "gui/LabForm.h"
#include "gui/RecentPackages.h"
#include "gui/WidgetHelpers.h"
#include "gui/WindowModes.h"
#include "startup/LanguageTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QUndoStack>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QScrollArea>
#include <QVBoxLayout>

namespace fendrel::gui {

void AddLabs::createControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    tvlabs = named<CatalogueView>(central, u"tvlabs");
    m_model = new CatalogueModel(m_catalogue, tvlabs);
    tvlabs->setCatalogueModel(m_model);
    // Default actions are moves; the model turns a drop into a request the window carries out.
    tvlabs->setDragDropMode(QAbstractItemView::DragDrop);
    tvlabs->setDefaultDropAction(Qt::MoveAction);
    tvlabs->setDropIndicatorShown(true);
    connect(m_model, &CatalogueModel::moveRequested, this, &AddLabs::moveNode);
    tvlabs->setMinimumWidth(220);

    lblInstructions = named<QLabel>(central, u"lblInstructions");
    lblInstructions->setWordWrap(true);
    lblInstructions->setMinimumHeight(lblInstructions->fontMetrics().lineSpacing() * 3 + 16);
    lblInstructions->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblInstructions->setFrameShape(QFrame::StyledPanel);
    lblInstructions->setContentsMargins(8, 6, 8, 6);
    lblInstructions->setAutoFillBackground(true);
    QPalette note = lblInstructions->palette();
    note.setColor(QPalette::Window, QColor(0xea, 0xf3, 0xf8));
    note.setColor(QPalette::WindowText, QColor(0x1c, 0x3a, 0x4a));
    lblInstructions->setPalette(note);

    fraIntro = named<QFrame>(central, u"fraIntro");
    fraIntro->hide();

    lblTabTitle = named<QLabel>(central, u"lblTabTitle");
    txtTab = named<QLineEdit>(central, u"txtTab");
    cmdEditTab = named<QPushButton>(central, u"cmdEditTab");
    lblTabTitle->setBuddy(txtTab);

    fraButtons = named<QGroupBox>(central, u"fraButtons");
    cmdAddSection = named<QPushButton>(fraButtons, u"cmdAddSection");
    cmdAddLab = named<QPushButton>(fraButtons, u"cmdAddLab");
    cmdEdit = named<QPushButton>(fraButtons, u"cmdEdit");
    cmdDelete = named<QPushButton>(fraButtons, u"cmdDelete");
    cmdDeleteAll = named<QPushButton>(fraButtons, u"cmdDeleteAll");
    cmdCancel = named<QPushButton>(fraButtons, u"cmdCancel");
    cmdLoadLabPck = named<QPushButton>(fraButtons, u"cmdLoadLabPck");
    cmdCreatePck = named<QPushButton>(fraButtons, u"cmdCreatePck");

    m_form = new LabForm(m_prompter, central);
    m_form->setObjectName(QStringLiteral("labForm"));

    chkWizStartup = named<QCheckBox>(central, u"chkWizStartup");
    lblHelp = named<QLabel>(central, u"lblHelp");
    lblHelp->setTextFormat(Qt::RichText);
    lblHelp->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblHelp->setCursor(Qt::PointingHandCursor);

    // The state the window is designed in, before its load handling runs.
    txtTab->setEnabled(false);
    cmdCancel->hide();
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
}

void AddLabs::createLayout()
{
    QWidget *central = centralWidget();

    auto *tabRow = new QHBoxLayout;
    tabRow->addWidget(lblTabTitle);
    tabRow->addWidget(txtTab, 1);
    tabRow->addWidget(cmdEditTab);

    auto *treeSide = new QWidget(central);
    auto *treeColumn = new QVBoxLayout(treeSide);
    treeColumn->setContentsMargins(0, 0, 0, 0);
    treeColumn->addLayout(tabRow);
    treeColumn->addWidget(tvlabs, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("treeSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(treeSide);
    splitter->addWidget(m_form);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto *buttons = new QHBoxLayout(fraButtons);
    for (QPushButton *button : {cmdAddSection, cmdAddLab, cmdEdit, cmdDelete, cmdDeleteAll, cmdCancel})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(cmdLoadLabPck);
    buttons->addWidget(cmdCreatePck);

    auto *footer = new QHBoxLayout;
    footer->addWidget(chkWizStartup);
    footer->addStretch(1);
    footer->addWidget(lblHelp);

    // The tree and the form scroll rather than pushing the window past a small screen's edge; the
    // command buttons below them stay in view.
    auto *scroll = new QScrollArea(central);
    scroll->setObjectName(QStringLiteral("formScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the controls, which it scrolls into view
    scroll->setWidget(splitter);

    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(10, 8, 10, 8);
    page->addWidget(lblInstructions);
    page->addWidget(scroll, 1);
    page->addWidget(fraButtons);
    page->addLayout(footer);
    page->addWidget(fraIntro);

    // The form keeps its own order from txtSection to txtLabDescription.
    const std::initializer_list<QWidget *> chains[] = {
        {txtTab, cmdEditTab, tvlabs, m_form->txtSection},
        {m_form->txtLabDescription, cmdAddSection, cmdAddLab, cmdEdit, cmdDelete, cmdDeleteAll, cmdCancel, cmdLoadLabPck,
         cmdCreatePck, chkWizStartup, lblHelp}};
    for (const auto &chain : chains) {
        for (auto it = chain.begin() + 1; it != chain.end(); ++it)
            setTabOrder(*(it - 1), *it);
    }

    resize(980, 680);
}

void AddLabs::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    m_openAction = file->addAction(QString(), this, [this] { cmdLoadLabPck->click(); });
    m_openAction->setObjectName(QStringLiteral("actionOpenPackage"));
    m_openAction->setShortcut(QKeySequence::Open);
    auto *recent = new RecentPackagesMenu(this);
    file->addMenu(recent);
    connect(recent, &RecentPackagesMenu::packageChosen, this, [this](const QString &path) { openPackage(path); });
    m_compileAction = file->addAction(QString(), this, [this] { cmdCreatePck->click(); });
    m_compileAction->setObjectName(QStringLiteral("actionCompilePackage"));
    m_compileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    QAction *inspect = file->addAction(langText(LangEntry::InspectPackageCaption), this, &AddLabs::inspectPackage);
    inspect->setObjectName(QStringLiteral("actionInspectPackage"));
    QAction *save = file->addAction(u'&' + langText(LangEntry::SaveCatalogueCaption), this, [this] { saveCatalogue(); });
    save->setObjectName(QStringLiteral("actionSaveCatalogue"));
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("actionQuit"));
    // Not QKeySequence::Quit: some platforms give that no key at all.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    m_problemsAction = view->addAction(QString());
    m_problemsAction->setObjectName(QStringLiteral("actionProblems"));
    m_problemsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_9));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction *manual = help->addAction(QString(), this, &AddLabs::openManual);
    manual->setObjectName(QStringLiteral("actionManual"));
    manual->setShortcut(QKeySequence::HelpContents);
    manual->setText(langText(LangEntry::HelpCaption));
    QAction *about = help->addAction(QStringLiteral("&About Fendrel"), this, &AddLabs::showAbout);
    about->setObjectName(QStringLiteral("actionAbout"));
}

void AddLabs::createEditMenu()
{
    // Inserted before View, after File.
    QMenu *edit = new QMenu(QStringLiteral("&Edit"), this);
    menuBar()->insertMenu(menuBar()->actions().value(1), edit);
    QAction *undo = m_undo->createUndoAction(this, langText(LangEntry::UndoCaption));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = m_undo->createRedoAction(this, langText(LangEntry::RedoCaption));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    // Each does what its button does, and nothing while the button could not be clicked.
    const auto command = [this, edit](LangEntry caption, const char *name, QPushButton *button, QKeySequence key) {
        QAction *action = edit->addAction(langText(caption), this, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
        // Shown as the button is; the shortcut stays live and asks the button itself.
        connect(edit, &QMenu::aboutToShow, action, [action, button] { action->setEnabled(button->isEnabled()); });
        connect(edit, &QMenu::aboutToHide, action, [action] { action->setEnabled(true); });
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        m_editActions.insert(action->objectName(), action);
        return action;
    };
    command(LangEntry::AddSectionCaption, "actionAddSection", cmdAddSection, {});
    command(LangEntry::AddLabCaption, "actionAddLab", cmdAddLab, {});
    command(LangEntry::EditLabCaption, "actionEdit", cmdEdit, QKeySequence(Qt::Key_F2));
    QAction *duplicate = edit->addAction(langText(LangEntry::DuplicateLabCaption), this, &AddLabs::duplicateLab);
    duplicate->setObjectName(QStringLiteral("actionDuplicateLab"));
    duplicate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_editActions.insert(duplicate->objectName(), duplicate);
    command(LangEntry::DeleteCaption, "actionDelete", cmdDelete, QKeySequence::Delete);
    command(LangEntry::DeleteAllCaption, "actionDeleteAll", cmdDeleteAll, {});
}

void AddLabs::setCaptions()
{
    setWindowTitle(langText(LangEntry::ProgramTitle));
    tvlabs->setAccessibleName(QStringLiteral("Catalogue tree"));
    lblInstructions->setText(langText(LangEntry::MainInstructions));
    fraButtons->setTitle(langText(LangEntry::CommandFrameTitle));
    cmdAddLab->setText(langText(LangEntry::AddLabCaption));
    cmdDelete->setText(langText(LangEntry::DeleteCaption));
    cmdEdit->setText(langText(LangEntry::EditLabCaption));
    cmdDeleteAll->setText(langText(LangEntry::DeleteAllCaption));
    cmdCancel->setText(langText(LangEntry::CancelCaption));
    cmdCreatePck->setText(langText(LangEntry::CompilePackageCaption));
    cmdLoadLabPck->setText(langText(LangEntry::OpenPackageCaption));
    chkWizStartup->setText(langText(LangEntry::ShowWizardAtStartupCaption));
    lblTabTitle->setText(langText(LangEntry::TabTitleLabel));
    cmdEditTab->setText(langText(LangEntry::EditTabCaption));
    cmdAddSection->setText(langText(LangEntry::AddSectionCaption));
    lblHelp->setText(QStringLiteral("<a href=\"help\">%1</a>").arg(langText(LangEntry::HelpCaption).toHtmlEscaped()));
    m_openAction->setText(langText(LangEntry::OpenPackageCaption));
    m_compileAction->setText(langText(LangEntry::CompilePackageCaption));

}

} // namespace fendrel::gui
