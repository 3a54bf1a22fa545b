#pragma once

#include "interaction/DocumentPages.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace fendrel::gui {

// Pages as a lab's author counts them (1 is the first) and as a viewer addresses them (0 is the
// first). Page 0 and anything below also address the first page, as a stored link always has.
int viewerPageIndex(qint32 page);
qint32 userPageNumber(int pageIndex);

// Shows a lab document for the page-link window. Pages in and out are the author's numbers.
class DocumentViewer : public QObject {
    Q_OBJECT
public:
    // False when the document could not be shown.
    virtual bool open(const QString &path, qint32 page) = 0;
    virtual void goToPage(qint32 page) = 0;
    // Whether pageShown tells which page is on screen.
    virtual bool followsPage() const = 0;
    // Whether the viewer is an outside program that closeDocument can end.
    virtual bool canExitApplication() const = 0;
    virtual void closeDocument(bool exitApplication) = 0;
    // The view to place in the window, or nullptr when the document shows elsewhere.
    virtual QWidget *view() = 0;

Q_SIGNALS:
    void pageShown(qint32 page);
};

using ViewerFactory = std::function<std::unique_ptr<DocumentViewer>(bool isPdf)>;

// A PDF is shown inside the window; any other document opens in the desktop's own application.
std::unique_ptr<DocumentViewer> createDocumentViewer(bool isPdf);

// The catalogue check's page counts, read with the viewer's own PDF reader.
class PdfPageCounter : public DocumentPages {
public:
    std::optional<int> pageCount(const QString &pdfPath) const override;
};

} // namespace fendrel::gui
