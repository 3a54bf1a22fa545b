#include "gui/AddLabs.h"
#include "gui/FileDialogs.h"
#include "gui/LabForm.h"
#include "gui/WidgetHelpers.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/ImageHandler.h"
#include "catalogue/Ini.h"
#include "gui/PDFLink.h"
#include "interaction/Prompter.h"
#include "package/LabFileKind.h"
#include "package/NetworkConfiguration.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace fendrel::gui {
namespace {

constexpr FileDialogOptions kExistingFile =
    FileDialogOption::HideReadOnly | FileDialogOption::PathMustExist | FileDialogOption::FileMustExist;

const QList<FileFilter> &networkConfigurationFilters()
{
    static const QList<FileFilter> filters = withAllSupported({filter(u"Network Config Files (*.nwc)", u"*.nwc")});
    return filters;
}

} // namespace

// While a dialog is open the lab cannot be cancelled (nor, for some buttons, stored); afterwards
// Enter stores the lab.
class BrowseScope {
public:
    BrowseScope(QPushButton *cancel, QPushButton *addLab, bool alsoAddLab, AddLabs &window)
        : m_cancel(cancel), m_addLab(addLab), m_alsoAddLab(alsoAddLab), m_window(window)
    {
        m_cancel->setEnabled(false);
        if (m_alsoAddLab)
            m_addLab->setEnabled(false);
    }
    ~BrowseScope()
    {
        m_cancel->setEnabled(true);
        if (m_alsoAddLab)
            m_addLab->setEnabled(true);
        m_window.setDefaultButton(m_addLab);
    }
    BrowseScope(const BrowseScope &) = delete;
    BrowseScope &operator=(const BrowseScope &) = delete;

private:
    QPushButton *m_cancel;
    QPushButton *m_addLab;
    bool m_alsoAddLab;
    AddLabs &m_window;
};

QString AddLabs::browseFile(DialogKind kind, const QList<FileFilter> &filters, const QString &initialFolder,
                           FileDialogOptions options)
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = langText(LangEntry::FileBrowseCaption);
    request.filters = filters;
    request.initialFolder = initialFolder;
    request.options = options;
    QString path = chooseRememberedFile(m_chooser, kind, request);
    path.remove(QChar(u'\0'));
    path = trimSpaces(path);
    if (path.isEmpty() || refuseUncarriable(m_prompter, path, nullptr))
        return {};
    return path;
}

void AddLabs::cmdBrowseClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, true, *this);
    const QString path = browseFile(DialogKind::Document,
                                    withAllSupported({filter(u"Portable Document Format (*.pdf)", u"*.pdf"),
                                                      filter(u"Word Document (*.doc)", u"*.doc"),
                                                      filter(u"Text File (*.txt)", u"*.txt")}),
                                    {}, kExistingFile);
    if (path.isEmpty() || refuseLabFile(LabFileField::Document, path, m_prompter))
        return;
    const bool linkPage = fileNameOfPath(path).toLower().contains(QStringLiteral(".pdf")) &&
        m_prompter.show(langText(LangEntry::LinkPdfPageQuestion), MessageIcon::Question, MessageButtons::YesNo,
                        langText(LangEntry::LinkLabToPageTitle)) == MessageAnswer::Yes;
    m_form->documentChosen(path, linkPage);
    if (linkPage)
        openDocument(path);
}

void AddLabs::cmdBrowseTopClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, true, *this);
    const QString path = browseFile(DialogKind::Topology, withAllSupported({filter(u"Designer Files (*.top)", u"*.top")}),
                                    {}, kExistingFile);
    if (path.isEmpty() || refuseLabFile(LabFileField::Topology, path, m_prompter))
        return;
    m_form->lblTopFile->setText(fileNameOfPath(path));
    m_form->buffer().topFile = path;
}

void AddLabs::cmdBrowsenwcClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, false, *this);
    chooseNetworkConfiguration(LabFileField::GradingConfiguration, m_form->lblNwcFile, m_form->buffer().nwcFile);
}

void AddLabs::cmdBrowseLoadNwcClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, false, *this);
    chooseNetworkConfiguration(LabFileField::LoadingConfiguration, m_form->lblLoadNwcFile, m_form->buffer().loadNwcFile);
}

bool AddLabs::chooseNetworkConfiguration(LabFileField kind, QLabel *label, QString &field)
{
    const QString path = browseFile(DialogKind::Configuration, networkConfigurationFilters(), folders().program, kExistingFile);
    if (path.isEmpty() || refuseLabFile(kind, path, m_prompter))
        return false;
    if (!checkNetworkConfiguration(path)) {
        label->clear();
        field.clear();
        return false;
    }
    label->setText(fileNameOfPath(path));
    field = path;
    return true;
}

bool AddLabs::checkNetworkConfiguration(const QString &path)
{
    return verifyAndCollectRtr(path, m_prompter);
}

void AddLabs::cmdBrowsePictureClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, true, *this);
    const QString path = browseFile(DialogKind::Picture,
                                    withAllSupported({filter(u"Bitmap (*.bmp)", u"*.bmp"), filter(u"JPEG (*.jpg)", u"*.jpg"),
                                                      filter(u"GIF (*.gif)", u"*.gif"),
                                                      filter(u"Windows Metafile (*.wmf)", u"*.wmf")}),
                                    folders().program, kExistingFile);
    if (path.isEmpty() || refuseLabFile(LabFileField::Picture, path, m_prompter))
        return;
    m_form->lblPictureFile->setText(fileNameOfPath(path));
    m_form->buffer().picture = path;
}

void AddLabs::cmdBrowseSetupFileClick()
{
    const BrowseScope scope(cmdCancel, cmdAddLab, true, *this);
    // The setup file takes the topology's place, so it is looked for where topologies are.
    const QString path = browseFile(DialogKind::Topology, {filter(u"Setup Files (*.ini)", u"*.ini")}, {},
                                    FileDialogOption::PathMustExist | FileDialogOption::FileMustExist);
    if (path.isEmpty())
        return;
    m_form->lblTopFile->clear();
    m_form->buffer().topFile = path;
}

void AddLabs::cmdBrowseNodaraXImagesClick()
{
    FileRequest request;
    request.title = langText(LangEntry::FileBrowseCaption);
    request.filters = {filter(u"Image Files (*.JPG;*.JPEG;*.JPE;*.GIF;*.BMP;*.PNG)",
                              u"*.JPG;*.JPEG;*.JPE;*.GIF;*.BMP;*.PNG")};
    request.options = FileDialogOption::HideReadOnly | FileDialogOption::PathMustExist | FileDialogOption::AllowMultiple;
    // The images are looked at and not kept: the catalogue has no place for them.
    m_chooser.choose(request);
}

void AddLabs::openDocument(const QString &path)
{
    openPageLink(path, PDFLink::Purpose::PageLink);
}

PDFLink *AddLabs::openPageLink(const QString &path, PDFLink::Purpose purpose)
{
    // One document at a time: a new choice replaces the window of the last one.
    if (m_pageLink)
        m_pageLink->close();
    auto *link = new PDFLink(this, m_prompter, purpose, m_viewerFactory);
    link->setAttribute(Qt::WA_DeleteOnClose);
    connect(link, &PDFLink::pageChosen, this, &AddLabs::setPageNumber);
    m_pageLink = link;
    link->loadTheDocument(path);
    return link;
}

void AddLabs::setViewerFactory(ViewerFactory factory)
{
    m_viewerFactory = std::move(factory);
}

} // namespace fendrel::gui
