#pragma once

#include "interaction/FileChooser.h"

#include <QString>

#include <optional>

class QMimeData;

namespace fendrel::gui {

// The one local file a drag from a file manager carries, or an empty text.
QString droppedLocalFile(const QMimeData *data);

// The window's file chooser. A file dropped on a field answers the next request as if it had
// been chosen in the field's dialog, so that a drop goes through the same checks as Browse.
class ChooserWithDrops : public FileChooser {
public:
    explicit ChooserWithDrops(FileChooser &dialogs) : m_dialogs(dialogs) {}
    void answerNextWith(const QString &path) { m_dropped = path; }
    QStringList choose(const FileRequest &request) override;

private:
    FileChooser &m_dialogs;
    std::optional<QString> m_dropped;
};

} // namespace fendrel::gui
