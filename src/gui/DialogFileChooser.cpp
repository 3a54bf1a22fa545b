#include "gui/DialogFileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace fendrel::gui {

QString DialogFileChooser::nameFilter(const FileFilter &filter)
{
    QStringList globs;
    for (const QString &glob : filter.pattern.split(u';', Qt::SkipEmptyParts)) {
        for (const QString &variant : {glob.toLower(), glob.toUpper()}) {
            if (!globs.contains(variant))
                globs << variant;
        }
    }
    QString description = filter.description;
    const qsizetype bracket = description.lastIndexOf(u'(');
    if (bracket > 0 && description.endsWith(u')'))
        description = description.left(bracket).trimmed();
    return description + QStringLiteral(" (") + globs.join(u' ') + u')';
}

QStringList DialogFileChooser::choose(const FileRequest &request)
{
    QString folder = request.initialFolder;
    if (folder.isEmpty())
        folder = m_lastFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                        : m_lastFolder;
    QFileDialog dialog(m_parent, request.title, folder);
    QStringList filters;
    for (const FileFilter &filter : request.filters)
        filters << nameFilter(filter);
    dialog.setNameFilters(filters);

    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultExtension);
        dialog.setOption(QFileDialog::DontConfirmOverwrite,
                         !request.options.testFlag(FileDialogOption::OverwritePrompt));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (request.options.testFlag(FileDialogOption::AllowMultiple))
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else if (request.options.testFlag(FileDialogOption::FileMustExist))
            dialog.setFileMode(QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.suggestedName.isEmpty())
        dialog.selectFile(request.suggestedName);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen.first()).absolutePath();
    return chosen;
}

} // namespace fendrel::gui
