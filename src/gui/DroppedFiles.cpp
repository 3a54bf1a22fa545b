#include "gui/DroppedFiles.h"

#include <QMimeData>
#include <QUrl>

#include <utility>

namespace fendrel::gui {

QString droppedLocalFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return {};
    return data->urls().first().toLocalFile();
}

QStringList ChooserWithDrops::choose(const FileRequest &request)
{
    if (m_dropped)
        return {*std::exchange(m_dropped, std::nullopt)};
    return m_dialogs.choose(request);
}

} // namespace fendrel::gui
