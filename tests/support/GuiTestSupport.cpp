#include "support/GuiTestSupport.h"

#include "environment/Environment.h"
#include "errorlog/ErrorLog.h"
#include "gui/CatalogueModel.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/TestSupport.h"
#include "text/TextHelpers.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTreeView>

namespace fendrel::test {

GuiTestEnvironment::GuiTestEnvironment()
{
    const QByteArray home = m_home.path().toLocal8Bit();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_DATA_HOME", home + "/share");
    qputenv("FENDREL_DATA_DIR", home + "/data");
    qputenv("FENDREL_NO_SPLASH", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool GuiTestEnvironment::prepare()
{
    QString error;
    if (!prepareEnvironment({}, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

MainWindowHarness::MainWindowHarness(const QString &dataFolder)
    : m_dataFolder(withTrailingSeparator(dataFolder.isEmpty() ? m_data.path() : dataFolder))
{
    folders().appData = m_dataFolder;
    errorLog() = ErrorLog();
    errorLog().initialize(folders().appData, folders().program);
    // Each window starts as on a machine where no setting was ever stored: the wizard's, the
    // dialogs' folders, the recent packages.
    for (const char *application : {"Zelvan Nodara", "Fendrel"})
        QFile::remove(QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(application)).fileName());
}

QString MainWindowHarness::makeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_files.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path, content);
    return path;
}

QString MainWindowHarness::makePicture(const QString &name, int width, int height)
{
    const QString path = makeFile(name);
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(path, "PNG");
    return path;
}

gui::AddLabs &MainWindowHarness::open()
{
    m_window.reset();
    m_catalogue = std::make_unique<Catalogue>();
    m_window = std::make_unique<gui::AddLabs>(*m_catalogue, prompter, chooser);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the main window was not exposed");
    return *m_window;
}

void MainWindowHarness::close()
{
    if (m_window) {
        m_window->close();
        m_window.reset();
    }
}

bool clickIn(QWidget *window, const char *name)
{
    auto *button = window->findChild<QAbstractButton *>(QString::fromLatin1(name));
    if (!button || !button->isEnabled() || !button->isVisibleTo(window)) {
        qWarning("cannot click %s", name);
        return false;
    }
    // A check box takes clicks on its indicator and text only, not on the rest of its cell.
    QPoint at = button->rect().center();
    if (auto *box = qobject_cast<QCheckBox *>(button)) {
        QStyleOptionButton option;
        option.initFrom(box);
        at = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
    return true;
}

bool typeIn(QWidget *window, const char *name, const QString &text)
{
    auto *field = window->findChild<QWidget *>(QString::fromLatin1(name));
    auto *line = qobject_cast<QLineEdit *>(field);
    auto *plain = qobject_cast<QPlainTextEdit *>(field);
    const bool locked = line ? line->isReadOnly() : plain ? plain->isReadOnly() : true;
    if (!field || locked || !field->isEnabled() || !field->isVisibleTo(window)) {
        qWarning("cannot type into %s", name);
        return false;
    }
    typeOver(field, text);
    return true;
}

QString enabledIn(const QWidget *window, const char *names)
{
    QStringList enabled;
    for (const QString &name : QString::fromLatin1(names).split(u' ')) {
        const auto *control = window->findChild<QWidget *>(name);
        if (!control)
            enabled << name + u'?'; // a misspelt name must not pass for a disabled control
        else if (control->isEnabled())
            enabled << name;
    }
    return enabled.join(u' ');
}

namespace {

QModelIndexList nodesNamed(const QTreeView *tree, const QString &text)
{
    const QAbstractItemModel *model = tree->model();
    return model->match(model->index(0, 0), Qt::DisplayRole, text, -1, Qt::MatchExactly | Qt::MatchRecursive);
}

} // namespace

bool MainWindowHarness::selectNode(const QString &text)
{
    auto *tree = control<QTreeView>("tvlabs");
    const QModelIndexList found = nodesNamed(tree, text);
    if (found.size() != 1 || !tree->isEnabled()) {
        qWarning("cannot select %s", qPrintable(text));
        return false;
    }
    tree->scrollTo(found.first());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(found.first()).center());
    return tree->currentIndex() == found.first();
}

const LabRecord &MainWindowHarness::recordOf(const QString &labName) const
{
    static const LabRecord none;
    const QModelIndexList found = nodesNamed(control<QTreeView>("tvlabs"), labName);
    const CatalogueNode *node = found.isEmpty() ? nullptr : gui::CatalogueModel::nodeOf(found.first());
    const LabRecord *record = node ? m_catalogue->recordOf(*node) : nullptr;
    return record ? *record : none;
}

QString MainWindowHarness::caption(const char *name) const
{
    if (auto *button = control<QAbstractButton>(name))
        return button->text();
    if (auto *label = control<QLabel>(name))
        return label->text();
    return {};
}

QString MainWindowHarness::captions(const char *names) const
{
    QStringList texts;
    for (const QByteArray &name : QByteArray(names).split(' '))
        texts << caption(name.constData());
    return texts.join(u'|');
}

QStringList MainWindowHarness::treeLines() const
{
    QStringList lines;
    const QAbstractItemModel *model = control<QTreeView>("tvlabs")->model();
    const std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent, int depth) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            lines << QString(depth * 2, u' ') + index.data().toString();
            walk(index, depth + 1);
        }
    };
    walk({}, 0);
    return lines;
}

QList<int> MainWindowHarness::takeMessageEntries()
{
    QList<int> entries;
    for (const ScriptedPrompter::Shown &shown : prompter.shown) {
        int found = -1;
        for (int n = 0; n < languageTable().size() && found < 0; ++n) {
            const QString text = languageTable().text(n);
            if (!text.isEmpty() && (shown.text == text || ((n == 102 || n == 111) && shown.text.startsWith(text))))
                found = n;
        }
        entries << found;
    }
    prompter.shown.clear();
    return entries;
}

void openTwoLabs(MainWindowHarness &h, bool switching)
{
    const QString doc = h.makeFile(QStringLiteral("docs/ospf.pdf"), "%PDF-1.4 ospf");
    const QString top = h.makeFile(QStringLiteral("top/ospf.top"), "topology");
    QString catalogue = QStringLiteral("[GENERAL]\r\ntabtitle=My Labs\r\nsku=0100000\r\n"
                                       "[SECTION0]\r\nsectionname=Routing\r\nsku=0101000\r\nnumberofentries=2\r\n"
                                       "lab0=Ospf\r\nlink0=%1\r\ntopfile0=%2\r\nsku0=0101001\r\n"
                                       "lab1=Rip\r\nlink1=%1\r\ntopfile1=%2\r\nsku1=0101002\r\n");
    if (switching)
        catalogue += QStringLiteral("[SECTION1]\r\nsectionname=Switching\r\nsku=0102000\r\nnumberofentries=1\r\n"
                                    "lab0=Vlans\r\nlink0=%1\r\ntopfile0=%2\r\nsku0=0102001\r\n");
    writeFile(h.iniPath(), catalogue.arg(doc, top).toUtf8());
    h.open();
}

} // namespace fendrel::test
