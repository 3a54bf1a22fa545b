#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

namespace fendrel {

// One entry of a dialog's file-type list, such as "Designer Files (*.top)" with "*.top".
// A pattern may hold several globs separated by ";".
struct FileFilter {
    QString description;
    QString pattern;
    bool operator==(const FileFilter &) const = default;
};

enum class FileDialogOption {
    HideReadOnly = 0x1,
    PathMustExist = 0x2,
    FileMustExist = 0x4,
    OverwritePrompt = 0x8,
    AllowMultiple = 0x10,
};
Q_DECLARE_FLAGS(FileDialogOptions, FileDialogOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileDialogOptions)

enum class FileDialogKind { Open, Save };

struct FileRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QList<FileFilter> filters;
    QString initialFolder;    // empty: wherever the dialog last was
    QString suggestedName;    // a file name, without folder, offered in the name field
    QString defaultExtension; // without the dot; added to a saved name that has none
    FileDialogOptions options;
};

// How the program asks the user for a file. The GUI shows a file dialog, tests answer from a script.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen paths, none when the user cancelled; more than one only with AllowMultiple.
    virtual QStringList choose(const FileRequest &request) = 0;

    // The one chosen path, or an empty text for a cancel.
    QString chooseFile(const FileRequest &request)
    {
        const QStringList chosen = choose(request);
        return chosen.isEmpty() ? QString() : chosen.first();
    }
};

} // namespace fendrel
