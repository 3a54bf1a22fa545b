#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace fendrel::gui {

// "fendrel FILE.lab" while a window already holds the data folder: the new process hands the file
// to that window over a local socket named after the folder, and ends.
class PackageHandOff : public QObject {
    Q_OBJECT
public:
    explicit PackageHandOff(const QString &dataFolder, QObject *parent = nullptr);
    // The window's end: listens for packages handed to it. False when it cannot.
    bool listen();
    // The new process's end: true when a listening window took the file.
    static bool handTo(const QString &dataFolder, const QString &packagePath);

Q_SIGNALS:
    void packageHanded(const QString &packagePath);

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace fendrel::gui
