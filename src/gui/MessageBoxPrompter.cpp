#include "gui/MessageBoxPrompter.h"

#include "startup/LanguageTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace fendrel::gui {
namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer MessageBoxPrompter::show(const QString &text, MessageIcon icon, MessageButtons buttons,
                                       const QString &title)
{
    // Over the window that raised it (the wizard, the page-link window), else over the main window.
    QWidget *active = QApplication::activeWindow();
    QWidget *over = active && active->isVisible() && !qobject_cast<QMessageBox *>(active) ? active : m_parent.data();
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::NoButton, over);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoSaveCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Save | QMessageBox::Cancel);
        box.button(QMessageBox::Save)->setText(langText(LangEntry::SaveCatalogueCaption));
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::SaveDiscardCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::RestoreDiscard:
        box.setStandardButtons(QMessageBox::RestoreDefaults | QMessageBox::Discard);
        box.button(QMessageBox::RestoreDefaults)->setText(langText(LangEntry::RestoreCaption));
        box.setDefaultButton(QMessageBox::RestoreDefaults);
        box.setEscapeButton(QMessageBox::RestoreDefaults);
        break;
    case MessageButtons::CompileAnywayCancel:
        box.setStandardButtons(QMessageBox::Ignore | QMessageBox::Cancel);
        box.button(QMessageBox::Ignore)->setText(langText(LangEntry::CompileAnywayCaption));
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Save: return MessageAnswer::Save;
    case QMessageBox::Discard: return MessageAnswer::Discard;
    case QMessageBox::RestoreDefaults: return MessageAnswer::Restore;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Ignore: return MessageAnswer::CompileAnyway;
    default: break;
    }
    // A box closed some other way: the harmless answer.
    return buttons == MessageButtons::Ok                ? MessageAnswer::Ok
        : buttons == MessageButtons::YesNoSaveCancel || buttons == MessageButtons::SaveDiscardCancel
                || buttons == MessageButtons::CompileAnywayCancel                                     ? MessageAnswer::Cancel
        : buttons == MessageButtons::RestoreDiscard                                                   ? MessageAnswer::Restore
                                                                                                     : MessageAnswer::No;
}

} // namespace fendrel::gui
