#include "gui/ProgressWindows.h"

#include "gui/Icon.h"
#include "startup/LanguageTable.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace fendrel::gui {

ProgressWindow::ProgressWindow(const QString &windowName, const QString &labelName, LangEntry labelEntry)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_labelEntry(labelEntry)
{
    setObjectName(windowName);
    m_label = new QLabel(this);
    m_label->setObjectName(labelName);
    m_label->setWordWrap(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_cancel = new QPushButton(langText(LangEntry::CancelCaption), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelRequested = true;
        m_cancel->setEnabled(false);
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 18);
    layout->setSpacing(10);
    layout->addWidget(m_label);
    layout->addWidget(ProgressBar1);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    setMinimumWidth(380);
    setWindowModality(Qt::NonModal);
}

void ProgressWindow::load(const QString &ownerCaption)
{
    m_label->setText(langText(m_labelEntry));
    setWindowTitle(ownerCaption);
    setIcon(this, kIconResource, false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    adjustSize();
    if (const QScreen *shown = screen()) {
        const QRect area = shown->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void ProgressWindow::beginCommand()
{
    m_cancelRequested = false;
    m_cancel->setEnabled(true);
}

void ProgressWindow::showNow()
{
    show();
    raise();
    QCoreApplication::processEvents();
}

void ProgressWindow::unload()
{
    ProgressBar1->setValue(0);
    hide();
}

void ProgressWindow::huffmanProgress(qint16 percent)
{
    ProgressBar1->setValue(percent);
    QCoreApplication::processEvents();
}

SaveStatus::SaveStatus() : ProgressWindow(QStringLiteral("frmSaveStatus"), QStringLiteral("lblCompiling"), LangEntry::CompilingPackageProgress)
{
    lblCompiling = label();
}

Progress::Progress() : ProgressWindow(QStringLiteral("frmProgress"), QStringLiteral("Label1"), LangEntry::OpeningPackageProgress)
{
    Label1 = label();
}

} // namespace fendrel::gui
