#include "gui/DocumentViewer.h"

#include <QDesktopServices>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPointer>
#include <QUrl>

namespace fendrel::gui {

int viewerPageIndex(qint32 page)
{
    return page - 1 < 0 ? 0 : page - 1;
}

qint32 userPageNumber(int pageIndex)
{
    return pageIndex + 1;
}

std::optional<int> PdfPageCounter::pageCount(const QString &pdfPath) const
{
    QPdfDocument document;
    if (document.load(pdfPath) != QPdfDocument::Error::None)
        return std::nullopt;
    return document.pageCount();
}

namespace {

class PdfDocumentViewer : public DocumentViewer {
public:
    PdfDocumentViewer() : m_view(new QPdfView)
    {
        m_view->setObjectName(QStringLiteral("pdfView"));
        m_view->setDocument(&m_document);
        m_view->setPageMode(QPdfView::PageMode::MultiPage);
        m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
        m_view->setPageSpacing(8);
        connect(m_view->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this,
                [this](int index) { Q_EMIT pageShown(userPageNumber(index)); });
    }
    ~PdfDocumentViewer() override
    {
        // The window that holds the view may be gone already, and with it the view.
        delete m_view.data();
    }

    bool open(const QString &path, qint32 page) override
    {
        if (m_document.load(path) != QPdfDocument::Error::None || m_document.pageCount() < 1)
            return false;
        goToPage(page);
        return true;
    }
    void goToPage(qint32 page) override
    {
        if (!m_view)
            return;
        const int index = std::min(viewerPageIndex(page), std::max(0, m_document.pageCount() - 1));
        m_view->pageNavigator()->jump(index, {}, m_view->zoomFactor());
    }
    bool followsPage() const override { return true; }
    bool canExitApplication() const override { return false; }
    void closeDocument(bool) override { m_document.close(); }
    QWidget *view() override { return m_view; }

private:
    QPdfDocument m_document;
    QPointer<QPdfView> m_view;
};

// The desktop gives no handle on the program it starts, so that program can be neither steered
// to a page nor closed from here: the author reads the page there and types it.
class DesktopDocumentViewer : public DocumentViewer {
public:
    bool open(const QString &path, qint32) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
    void goToPage(qint32) override {}
    bool followsPage() const override { return false; }
    bool canExitApplication() const override { return false; }
    void closeDocument(bool) override {}
    QWidget *view() override { return nullptr; }
};

} // namespace

std::unique_ptr<DocumentViewer> createDocumentViewer(bool isPdf)
{
    if (isPdf)
        return std::make_unique<PdfDocumentViewer>();
    return std::make_unique<DesktopDocumentViewer>();
}

} // namespace fendrel::gui
