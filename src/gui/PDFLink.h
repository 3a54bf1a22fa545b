#pragma once

#include "gui/DocumentViewer.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fendrel {
class Prompter;
} // namespace fendrel

namespace fendrel::gui {

// frmPDFLink: shows a lab document so that the author can find the page where the lab starts,
// and hands that page on with pageChosen. It stays above its parent window without blocking it.
// The same window shows the program's manual, where there is no page to hand back.
class PDFLink : public QWidget {
    Q_OBJECT
public:
    enum class Purpose { PageLink, Reading };

    PDFLink(QWidget *parent, Prompter &prompter, Purpose purpose, const ViewerFactory &factory = {});
    ~PDFLink() override;

    void loadTheDocument(const QString &incomingFile);

    QString documentPath() const { return m_documentPath; }
    bool isPdf() const { return m_isPdf; }
    DocumentViewer *viewer() const { return m_viewer.get(); }

Q_SIGNALS:
    // The page typed or shown when the author returned, trimmed and numeric.
    void pageChosen(const QString &page);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void setCaptions();
    void cmdExitSaveAndReturnClick();
    void onPageShown(qint32 page);
    void onPageTyped(const QString &text);
    void zoomBy(qreal factor);
    void unload();

    Prompter &m_prompter;
    Purpose m_purpose;
    ViewerFactory m_factory;
    std::unique_ptr<DocumentViewer> m_viewer;
    QString m_documentPath;
    bool m_isPdf = false;
    bool m_jumping = false;
    bool m_unloaded = false;

    QLabel *lblNotice;
    QLabel *Label1;
    QLineEdit *txtPDFPageNumber;
    QPushButton *cmdExitSaveAndReturn;
    QPushButton *cmdCancelAndReturn;
    QCheckBox *chkCloseApp;
    QWidget *m_viewerBar;
    QPushButton *cmdPreviousPage;
    QPushButton *cmdNextPage;
    QPushButton *cmdZoomOut;
    QPushButton *cmdZoomIn;
    QPushButton *cmdFitWidth;
};

} // namespace fendrel::gui
