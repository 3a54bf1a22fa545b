#include "gui/AddLabs.h"

#include "catalogue/ExamList.h"
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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include "gui/CatalogueModel.h"
#include "gui/CatalogueView.h"
#include <QVBoxLayout>

namespace fendrel::gui {
namespace {

void addFileRow(QGridLayout *grid, int row, QLabel *caption, QLabel *file, QPushButton *browse)
{
    if (caption)
        grid->addWidget(caption, row, 0);
    grid->addWidget(file, row, 1);
    grid->addWidget(browse, row, 2);
    if (caption)
        caption->setBuddy(browse);
}

} // namespace

void AddLabs::createControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    tvlabs = named<CatalogueView>(central, u"tvlabs");
    m_model = new CatalogueModel(m_catalogue, tvlabs);
    tvlabs->setCatalogueModel(m_model);
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

    Frame1 = named<QGroupBox>(central, u"Frame1");
    label2 = named<QLabel>(Frame1, u"label2");
    txtSection = named<QLineEdit>(Frame1, u"txtSection");
    Label6 = named<QLabel>(Frame1, u"Label6");
    txtLabname = named<QLineEdit>(Frame1, u"txtLabname");
    label2->setBuddy(txtSection);
    Label6->setBuddy(txtLabname);
    lblIndex = named<QLabel>(Frame1, u"lblIndex");
    lblIndex->hide();
    lblLabPackID = named<QLabel>(Frame1, u"lblLabPackID");
    cmbLabPackID = named<QComboBox>(Frame1, u"cmbLabPackID");

    TabStrip1 = named<QTabBar>(Frame1, u"TabStrip1");
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(false);

    fraReqFiles = named<QFrame>(Frame1, u"fraReqFiles");
    Label3 = named<QLabel>(fraReqFiles, u"Label3");
    lblFile = fileLabel(fraReqFiles, u"lblFile");
    cmdBrowse = named<QPushButton>(fraReqFiles, u"cmdBrowse");
    Label4 = named<QLabel>(fraReqFiles, u"Label4");
    lblTopFile = fileLabel(fraReqFiles, u"lblTopFile");
    cmdBrowseTop = named<QPushButton>(fraReqFiles, u"cmdBrowseTop");

    fraOptFiles = named<QFrame>(Frame1, u"fraOptFiles");
    lblLoadNwc = named<QLabel>(fraOptFiles, u"lblLoadNwc");
    lblLoadNwcFile = fileLabel(fraOptFiles, u"lblLoadNwcFile");
    cmdBrowseLoadNwc = named<QPushButton>(fraOptFiles, u"cmdBrowseLoadNwc");
    lblGradeNwc = named<QLabel>(fraOptFiles, u"lblGradeNwc");
    lblNwcFile = fileLabel(fraOptFiles, u"lblNwcFile");
    cmdBrowsenwc = named<QPushButton>(fraOptFiles, u"cmdBrowsenwc");
    lblPicture = named<QLabel>(fraOptFiles, u"lblPicture");
    lblPictureFile = fileLabel(fraOptFiles, u"lblPictureFile");
    cmdBrowsePicture = named<QPushButton>(fraOptFiles, u"cmdBrowsePicture");

    // A file panel that no tab selects; the window modes still clear and colour its labels.
    fraNodaraXFiles = named<QFrame>(Frame1, u"fraNodaraXFiles");
    lblNodaraXImagesPath = fileLabel(fraNodaraXFiles, u"lblNodaraXImagesPath");
    cmdBrowseNodaraXImages = named<QPushButton>(fraNodaraXFiles, u"cmdBrowseNodaraXImages");
    lblNodaraXTopFilePath = fileLabel(fraNodaraXFiles, u"lblNodaraXTopFilePath");
    cmdBrowseNodaraXTopFile = named<QPushButton>(fraNodaraXFiles, u"cmdBrowseNodaraXTopFile");
    lblSetupFilePath = fileLabel(fraNodaraXFiles, u"lblSetupFilePath");
    cmdBrowseSetupFile = named<QPushButton>(fraNodaraXFiles, u"cmdBrowseSetupFile");

    chkTestSimMode = named<QCheckBox>(Frame1, u"chkTestSimMode");
    Label5 = named<QLabel>(Frame1, u"Label5");
    chkBCMSN = named<QCheckBox>(Frame1, u"chkBCMSN");
    chkBSCI = named<QCheckBox>(Frame1, u"chkBSCI");
    chkICND1 = named<QCheckBox>(Frame1, u"chkICND1");
    chkICND2 = named<QCheckBox>(Frame1, u"chkICND2");
    chkISCW = named<QCheckBox>(Frame1, u"chkISCW");
    chkRoute = named<QCheckBox>(Frame1, u"chkRoute");
    chkSupplemental = named<QCheckBox>(Frame1, u"chkSupplemental");
    chkONT = named<QCheckBox>(Frame1, u"chkONT");
    chkSwitch = named<QCheckBox>(Frame1, u"chkSwitch");
    chkTshoot = named<QCheckBox>(Frame1, u"chkTshoot");
    m_examBoxes = {chkBCMSN, chkBSCI, chkICND1, chkICND2, chkISCW, chkRoute, chkSupplemental, chkONT, chkSwitch, chkTshoot};

    fraLabDescription = named<QGroupBox>(central, u"fraLabDescription");
    Label1 = named<QLabel>(fraLabDescription, u"Label1");
    txtLabDescription = named<QPlainTextEdit>(fraLabDescription, u"txtLabDescription");
    txtLabDescription->setTabChangesFocus(true);
    txtLabDescription->setMinimumHeight(txtLabDescription->fontMetrics().lineSpacing() * 3 + 12);
    Label1->setBuddy(txtLabDescription);

    chkWizStartup = named<QCheckBox>(central, u"chkWizStartup");
    lblHelp = named<QLabel>(central, u"lblHelp");
    lblHelp->setTextFormat(Qt::RichText);
    lblHelp->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblHelp->setCursor(Qt::PointingHandCursor);

    // The state the window is designed in, before its load handling runs.
    txtTab->setEnabled(false);
    for (QLineEdit *edit : {txtSection, txtLabname})
        edit->setReadOnly(true);
    txtLabDescription->setReadOnly(true);
    cmdCancel->hide();
    fraOptFiles->hide();
    fraNodaraXFiles->hide();
    for (QPushButton *button : {cmdBrowse, cmdBrowseTop, cmdBrowseLoadNwc, cmdBrowsenwc, cmdBrowsePicture,
                                cmdBrowseNodaraXImages, cmdBrowseNodaraXTopFile, cmdBrowseSetupFile})
        button->setEnabled(false);
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    for (QLabel *label : {lblFile, lblTopFile, lblNwcFile, lblLoadNwcFile, lblPictureFile, lblNodaraXImagesPath,
                          lblNodaraXTopFilePath, lblSetupFilePath})
        setFieldBackground(label, true);
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

    auto *reqGrid = new QGridLayout(fraReqFiles);
    addFileRow(reqGrid, 0, Label3, lblFile, cmdBrowse);
    addFileRow(reqGrid, 1, Label4, lblTopFile, cmdBrowseTop);
    reqGrid->setRowStretch(2, 1);
    reqGrid->setColumnStretch(1, 1);

    auto *optGrid = new QGridLayout(fraOptFiles);
    addFileRow(optGrid, 0, lblLoadNwc, lblLoadNwcFile, cmdBrowseLoadNwc);
    addFileRow(optGrid, 1, lblGradeNwc, lblNwcFile, cmdBrowsenwc);
    addFileRow(optGrid, 2, lblPicture, lblPictureFile, cmdBrowsePicture);
    optGrid->setColumnStretch(1, 1);

    auto *nodaraXGrid = new QGridLayout(fraNodaraXFiles);
    addFileRow(nodaraXGrid, 0, nullptr, lblNodaraXImagesPath, cmdBrowseNodaraXImages);
    addFileRow(nodaraXGrid, 1, nullptr, lblNodaraXTopFilePath, cmdBrowseNodaraXTopFile);
    addFileRow(nodaraXGrid, 2, nullptr, lblSetupFilePath, cmdBrowseSetupFile);
    nodaraXGrid->setColumnStretch(1, 1);

    // The tab strip sits on a panel that holds whichever file frame its tab shows.
    auto *filePanel = new QFrame(Frame1);
    filePanel->setObjectName(QStringLiteral("filePanel"));
    filePanel->setFrameShape(QFrame::StyledPanel);
    auto *panelLayout = new QVBoxLayout(filePanel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    for (QFrame *frame : {fraReqFiles, fraOptFiles, fraNodaraXFiles}) {
        frame->setParent(filePanel);
        panelLayout->addWidget(frame);
    }
    // Switching tabs must not move the fields below the panel: it is as tall as its tallest frame.
    int tallest = 0;
    for (QFrame *frame : {fraReqFiles, fraOptFiles, fraNodaraXFiles})
        tallest = std::max(tallest, frame->sizeHint().height());
    filePanel->setMinimumHeight(tallest + panelLayout->contentsMargins().top() + panelLayout->contentsMargins().bottom());
    optGrid->setRowStretch(3, 1);
    nodaraXGrid->setRowStretch(3, 1);

    auto *tabs = new QVBoxLayout;
    tabs->setSpacing(0);
    tabs->addWidget(TabStrip1, 0, Qt::AlignLeft);
    tabs->addWidget(filePanel);

    auto *exams = new QGridLayout;
    exams->setHorizontalSpacing(16);
    for (int i = 0; i < kExamCount; ++i)
        exams->addWidget(m_examBoxes[i], i / 5, i % 5);

    auto *details = new QGridLayout(Frame1);
    details->addWidget(label2, 0, 0);
    details->addWidget(txtSection, 0, 1);
    details->addWidget(Label6, 1, 0);
    details->addWidget(txtLabname, 1, 1);
    details->addLayout(tabs, 2, 0, 1, 2);
    details->addWidget(chkTestSimMode, 3, 0, 1, 2);
    details->addWidget(Label5, 4, 0, 1, 2);
    details->addLayout(exams, 5, 0, 1, 2);
    details->addWidget(lblLabPackID, 6, 0);
    details->addWidget(cmbLabPackID, 6, 1);
    details->addWidget(lblIndex, 7, 0);
    details->setColumnStretch(1, 1);

    auto *description = new QVBoxLayout(fraLabDescription);
    description->addWidget(Label1);
    description->addWidget(txtLabDescription, 1);

    auto *detailSide = new QWidget(central);
    auto *detailColumn = new QVBoxLayout(detailSide);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->addWidget(Frame1);
    detailColumn->addWidget(fraLabDescription, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("treeSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(treeSide);
    splitter->addWidget(detailSide);
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

    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(10, 8, 10, 8);
    page->addWidget(lblInstructions);
    page->addWidget(splitter, 1);
    page->addWidget(fraButtons);
    page->addLayout(footer);
    page->addWidget(fraIntro);

    QWidget *order[] = {txtTab,           cmdEditTab,       tvlabs,        txtSection,    txtLabname,
                        TabStrip1,        cmdBrowse,        cmdBrowseTop,  cmdBrowseLoadNwc, cmdBrowsenwc,
                        cmdBrowsePicture, chkTestSimMode,   chkBCMSN,      chkBSCI,       chkICND1,
                        chkICND2,         chkISCW,          chkRoute,      chkSupplemental, chkONT,
                        chkSwitch,        chkTshoot,        txtLabDescription, cmdAddSection, cmdAddLab,
                        cmdEdit,          cmdDelete,        cmdDeleteAll,  cmdCancel,     cmdLoadLabPck,
                        cmdCreatePck,     chkWizStartup,    lblHelp};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    resize(980, 680);
}

void AddLabs::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    m_openAction = file->addAction(QString(), this, [this] { cmdLoadLabPck->click(); });
    m_openAction->setObjectName(QStringLiteral("actionOpenPackage"));
    m_openAction->setShortcut(QKeySequence::Open);
    m_compileAction = file->addAction(QString(), this, [this] { cmdCreatePck->click(); });
    m_compileAction->setObjectName(QStringLiteral("actionCompilePackage"));
    m_compileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction *manual = help->addAction(QString(), this, &AddLabs::openManual);
    manual->setObjectName(QStringLiteral("actionManual"));
    manual->setShortcut(QKeySequence::HelpContents);
    manual->setText(langText(LangEntry::HelpCaption));
    QAction *about = help->addAction(QStringLiteral("&About Fendrel"), this, &AddLabs::showAbout);
    about->setObjectName(QStringLiteral("actionAbout"));
}

void AddLabs::setCaptions()
{
    setWindowTitle(langText(LangEntry::ProgramTitle));
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
    Frame1->setTitle(langText(LangEntry::LabDetailsTitle));
    label2->setText(langText(LangEntry::SectionLabel));
    lblIndex->setText(langText(LangEntry::NodeIndexCaption));
    Label6->setText(langText(LangEntry::LabNameLabel));
    Label3->setText(langText(LangEntry::LabDocumentLabel));
    Label4->setText(langText(LangEntry::TopologyFileLabel));
    Label5->setText(langText(LangEntry::ExamsCoveredLabel));
    cmdBrowse->setText(langText(LangEntry::BrowseCaption));
    for (QPushButton *button : {cmdBrowseTop, cmdBrowseLoadNwc, cmdBrowseNodaraXImages, cmdBrowseNodaraXTopFile,
                                cmdBrowsePicture, cmdBrowsenwc, cmdBrowseSetupFile})
        button->setText(langText(LangEntry::FileBrowseCaption));
    lblTabTitle->setText(langText(LangEntry::TabTitleLabel));
    cmdEditTab->setText(langText(LangEntry::EditTabCaption));
    cmdAddSection->setText(langText(LangEntry::AddSectionCaption));
    lblHelp->setText(QStringLiteral("<a href=\"help\">%1</a>").arg(langText(LangEntry::HelpCaption).toHtmlEscaped()));
    fraLabDescription->setTitle(langText(LangEntry::LabDescriptionTitle));
    Label1->setText(langText(LangEntry::LabDescriptionLabel));
    lblLoadNwc->setText(langText(LangEntry::LoadingNwcLabel));
    lblGradeNwc->setText(langText(LangEntry::GradingNwcLabel));
    lblPicture->setText(langText(LangEntry::LabGraphicLabel));
    m_openAction->setText(langText(LangEntry::OpenPackageCaption));
    m_compileAction->setText(langText(LangEntry::CompilePackageCaption));

    // Exam names and the test-mode box are the same in every language.
    const QStringList examNames{QStringLiteral("BCMSN"), QStringLiteral("BSCI"),  QStringLiteral("ICND1"),
                                QStringLiteral("ICND2"), QStringLiteral("ISCW"),  QStringLiteral("ROUTE"),
                                QStringLiteral("Supplemental"), QStringLiteral("ONT"), QStringLiteral("SWITCH"),
                                QStringLiteral("TSHOOT")};
    for (int i = 0; i < kExamCount; ++i)
        m_examBoxes[i]->setText(examNames[i]);
    chkTestSimMode->setText(QStringLiteral("Test simulation mode"));
}

} // namespace fendrel::gui
