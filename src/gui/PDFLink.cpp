#include "gui/PDFLink.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/Ini.h"
#include "gui/Icon.h"
#include "interaction/Prompter.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPdfView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace fendrel::gui {
namespace {

template <typename T, typename... Args>
T *named(QWidget *parent, const char16_t *name, Args &&...args)
{
    auto *widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromUtf16(name));
    return widget;
}

} // namespace

PDFLink::PDFLink(QWidget *parent, Prompter &prompter, Purpose purpose, const ViewerFactory &factory)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_prompter(prompter),
      m_purpose(purpose), m_factory(factory ? factory : ViewerFactory(createDocumentViewer))
{
    setObjectName(QStringLiteral("frmPDFLink"));
    createControls();
    setIcon(this, kIconResource, true);
    setCaptions();
}

PDFLink::~PDFLink()
{
    unload();
}

void PDFLink::createControls()
{
    lblNotice = named<QLabel>(this, u"lblNotice");
    lblNotice->setWordWrap(true);
    Label1 = named<QLabel>(this, u"Label1");
    txtPDFPageNumber = named<QLineEdit>(this, u"txtPDFPageNumber");
    txtPDFPageNumber->setMaximumWidth(80);
    Label1->setBuddy(txtPDFPageNumber);
    cmdExitSaveAndReturn = named<QPushButton>(this, u"cmdExitSaveAndReturn");
    cmdCancelAndReturn = named<QPushButton>(this, u"cmdCancelAndReturn");
    chkCloseApp = named<QCheckBox>(this, u"chkCloseApp");
    cmdExitSaveAndReturn->setDefault(true);

    m_viewerBar = new QWidget(this);
    cmdPreviousPage = named<QPushButton>(m_viewerBar, u"cmdPreviousPage", QStringLiteral("\u25B2 Previous page"));
    cmdNextPage = named<QPushButton>(m_viewerBar, u"cmdNextPage", QStringLiteral("\u25BC Next page"));
    cmdZoomOut = named<QPushButton>(m_viewerBar, u"cmdZoomOut", QStringLiteral("Zoom \u2212"));
    cmdZoomIn = named<QPushButton>(m_viewerBar, u"cmdZoomIn", QStringLiteral("Zoom +"));
    cmdFitWidth = named<QPushButton>(m_viewerBar, u"cmdFitWidth", QStringLiteral("Fit width"));
    cmdPreviousPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    cmdNextPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    cmdZoomIn->setShortcut(QKeySequence::ZoomIn);
    cmdZoomOut->setShortcut(QKeySequence::ZoomOut);
    auto *bar = new QHBoxLayout(m_viewerBar);
    bar->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *button : {cmdPreviousPage, cmdNextPage, cmdZoomOut, cmdZoomIn, cmdFitWidth}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(button);
    }
    bar->addStretch(1);
    m_viewerBar->hide();

    auto *pageRow = new QHBoxLayout;
    pageRow->addWidget(Label1);
    pageRow->addWidget(txtPDFPageNumber);
    pageRow->addSpacing(12);
    pageRow->addWidget(chkCloseApp);
    pageRow->addStretch(1);
    pageRow->addWidget(cmdCancelAndReturn);
    pageRow->addWidget(cmdExitSaveAndReturn);

    auto *page = new QVBoxLayout(this);
    page->addWidget(lblNotice);
    page->addWidget(m_viewerBar);
    page->addLayout(pageRow);

    connect(cmdExitSaveAndReturn, &QPushButton::clicked, this, [this] { cmdExitSaveAndReturnClick(); });
    connect(cmdCancelAndReturn, &QPushButton::clicked, this, &QWidget::close);
    connect(txtPDFPageNumber, &QLineEdit::textEdited, this, [this](const QString &text) { onPageTyped(text); });
    connect(txtPDFPageNumber, &QLineEdit::returnPressed, this, [this] {
        if (m_purpose == Purpose::PageLink)
            cmdExitSaveAndReturn->click();
    });
    connect(cmdPreviousPage, &QPushButton::clicked, this, [this] {
        if (m_viewer)
            m_viewer->goToPage(txtPDFPageNumber->text().toInt() - 1);
    });
    connect(cmdNextPage, &QPushButton::clicked, this, [this] {
        if (m_viewer)
            m_viewer->goToPage(txtPDFPageNumber->text().toInt() + 1);
    });
    connect(cmdZoomIn, &QPushButton::clicked, this, [this] { zoomBy(1.25); });
    connect(cmdZoomOut, &QPushButton::clicked, this, [this] { zoomBy(0.8); });
    connect(cmdFitWidth, &QPushButton::clicked, this, [this] {
        if (auto *view = m_viewer ? qobject_cast<QPdfView *>(m_viewer->view()) : nullptr)
            view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    });
}

void PDFLink::setCaptions()
{
    lblNotice->setText(langText(LangEntry::PageLinkInstructions));
    Label1->setText(langText(LangEntry::PageNumberLabel));
    cmdCancelAndReturn->setText(langText(LangEntry::PageLinkCancelCaption));
    cmdExitSaveAndReturn->setText(langText(LangEntry::SaveCaption));
    chkCloseApp->setText(langText(LangEntry::CloseViewerOnReturnCaption));
    if (m_purpose == Purpose::Reading) {
        // The manual links nothing: the window is only a reader with a page box.
        lblNotice->hide();
        cmdExitSaveAndReturn->hide();
        chkCloseApp->hide();
        cmdCancelAndReturn->setText(QStringLiteral("Close"));
        cmdCancelAndReturn->setDefault(true);
    }
}

void PDFLink::loadTheDocument(const QString &incomingFile)
{
    const QString path = trimSpaces(incomingFile);
    m_isPdf = path.toLower().endsWith(QStringLiteral(".pdf"));
    m_viewer = m_factory(m_isPdf);
    connect(m_viewer.get(), &DocumentViewer::pageShown, this, [this](qint32 page) { onPageShown(page); });
    // Only an outside viewer can be closed on return; for the viewer inside the window the box
    // could do nothing.
    chkCloseApp->setEnabled(m_viewer->canExitApplication());
    chkCloseApp->setVisible(m_viewer->canExitApplication() && m_purpose != Purpose::Reading);

    if (QWidget *view = m_viewer->view()) {
        static_cast<QVBoxLayout *>(layout())->insertWidget(2, view, 1);
        m_viewerBar->show();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        resize(std::min(760, screen.width() - 40), std::max(360, screen.height() - 80));
    } else {
        resize(520, 170);
    }

    if (path.isEmpty())
        m_prompter.message(LangEntry::NoDocumentMessage, MessageIcon::Critical);
    else if (!m_viewer->open(path, 1))
        m_prompter.message(LangEntry::PdfNotOpenedMessage, MessageIcon::Critical);
    m_documentPath = path;
    setWindowTitle(fileNameOfPath(path).toLower());
    txtPDFPageNumber->setText(QStringLiteral("1"));
    show();
    raise();
    txtPDFPageNumber->setFocus(Qt::OtherFocusReason);
}

void PDFLink::onPageShown(qint32 page)
{
    if (!m_jumping)
        txtPDFPageNumber->setText(QString::number(page));
}

void PDFLink::onPageTyped(const QString &text)
{
    bool ok = false;
    const int page = trimSpaces(text).toInt(&ok);
    if (!ok || !m_viewer)
        return;
    // The box keeps what is being typed while the view moves to it.
    m_jumping = true;
    m_viewer->goToPage(page);
    m_jumping = false;
}

void PDFLink::zoomBy(qreal factor)
{
    auto *view = m_viewer ? qobject_cast<QPdfView *>(m_viewer->view()) : nullptr;
    if (!view)
        return;
    const qreal zoom = std::clamp(view->zoomFactor() * factor, 0.25, 6.0);
    view->setZoomMode(QPdfView::ZoomMode::Custom);
    view->setZoomFactor(zoom);
}

void PDFLink::cmdExitSaveAndReturnClick()
{
    const QString page = txtPDFPageNumber->text();
    if (!pageNumberValue(page)) {
        m_prompter.message(LangEntry::PageNumberDigitsMessage, MessageIcon::Critical);
        txtPDFPageNumber->setFocus(Qt::OtherFocusReason);
        return;
    }
    Q_EMIT pageChosen(trimSpaces(page));
    close();
}

void PDFLink::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

void PDFLink::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_viewer)
        m_viewer->closeDocument(chkCloseApp->isChecked());
    m_documentPath.clear();
}

void PDFLink::keyPressEvent(QKeyEvent *event)
{
    // Esc is Cancel and Return: the window closes with the page unchanged.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace fendrel::gui
