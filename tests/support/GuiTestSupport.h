#pragma once

#include "catalogue/Catalogue.h"
#include "gui/AddLabs.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace fendrel::test {

// A GUI test process gets a throw-away home, settings and data folder before Qt starts, and the
// language table beside the test.
class GuiTestEnvironment {
public:
    GuiTestEnvironment();
    bool prepare();

private:
    QTemporaryDir m_home;
};

template <typename TestClass>
int runGuiTest(int argc, char **argv)
{
    GuiTestEnvironment environment;
    QApplication app(argc, argv);
    if (!environment.prepare())
        return 1;
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

#define FENDREL_GUI_TEST_MAIN(TestClass)                                                                               \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        return fendrel::test::runGuiTest<TestClass>(argc, argv);                                                       \
    }

// A window's title as the desktop shows it: the unsaved marker "[*]" as "*" while the window is
// modified, gone otherwise.
inline QString shownTitle(const QWidget &window)
{
    return window.windowTitle().replace(u"[*]"_qs, window.isWindowModified() ? u"*"_qs : QString());
}

// Selects what a field holds and types text over it, as a person would.
inline void typeOver(QWidget *field, const QString &text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Act on a control of a window as a user would: they refuse to click what is disabled or hidden
// and to type into what is locked or hidden, and return false then.
bool clickIn(QWidget *window, const char *name);
bool typeIn(QWidget *window, const char *name, const QString &text);
// Of the controls named, separated by spaces, the ones that are enabled, in the same form.
QString enabledIn(const QWidget *window, const char *names);

// One main window over a fresh application data folder, with scripted messages and dialogs.
class MainWindowHarness {
public:
    // Given the data folder of an earlier one, a window over it, as after a restart.
    explicit MainWindowHarness(const QString &dataFolder = {});
    ~MainWindowHarness() { close(); }

    QString dataFolder() const { return m_dataFolder; } // the application data folder, ending with "/"
    QString iniPath() const { return m_dataFolder + u"Fendrel.ini"_qs; }
    // A file below a folder of its own; its path is returned.
    QString makeFile(const QString &name, const QByteArray &content = "content");
    QString makePicture(const QString &name, int width, int height);

    gui::AddLabs &open();
    gui::AddLabs &window() { return *m_window; }
    void close();

    template <typename T>
    T *control(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    bool click(const char *name) { return clickIn(m_window.get(), name); }
    bool type(const char *name, const QString &text) { return typeIn(m_window.get(), name, text); }
    QString enabled(const char *names) const { return enabledIn(m_window.get(), names); }
    bool selectNode(const QString &text);
    void pressEnter()
    {
        QTest::keyClick(m_window->focusWidget() ? m_window->focusWidget() : m_window.get(), Qt::Key_Return);
    }
    QString caption(const char *name) const;
    // The captions of the controls named, separated by spaces, joined by "|".
    QString captions(const char *names) const;

    // The tree as lines, indented two spaces a level.
    QStringList treeLines() const;
    // The text of the tree's current node (empty without one).
    QString currentNodeText() const { return control<QTreeView>("tvlabs")->currentIndex().data().toString(); }
    // The record of the lab of that name; an empty record when there is none.
    const LabRecord &recordOf(const QString &labName) const;
    // The catalogue the window was handed.
    Catalogue &catalogue() { return *m_catalogue; }
    // The entries of the messages shown so far (-1 for a text that is no entry), and forget them.
    QList<int> takeMessageEntries();

    ScriptedPrompter prompter;
    ScriptedFileChooser chooser;

private:
    QTemporaryDir m_data;
    QString m_dataFolder;
    QTemporaryDir m_files;
    std::unique_ptr<Catalogue> m_catalogue;
    std::unique_ptr<gui::AddLabs> m_window;
};

// Two labs in Routing over real files, SKUs stored; with switching, a Switching section holding
// VLANs too. Opens the window.
void openTwoLabs(MainWindowHarness &h, bool switching = false);

} // namespace fendrel::test
