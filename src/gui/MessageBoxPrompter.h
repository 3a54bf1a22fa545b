#pragma once

#include "interaction/Prompter.h"

#include <QPointer>
#include <QWidget>

namespace fendrel::gui {

// The Prompter of the windows: a modal message box over the given window.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace fendrel::gui
