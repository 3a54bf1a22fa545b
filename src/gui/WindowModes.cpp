#include "gui/WindowModes.h"

#include "gui/AddLabs.h"
#include "startup/LanguageTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <array>

namespace fendrel::gui {
namespace {

const QColor kGrey(192, 192, 192);

enum class Property { Enabled, Caption, Default, Visible, Locked, Background, Text, Focus, ExamBoxes };

// One cell of the table: leave the property alone, or what to set it to.
struct Cell {
    enum Kind { Keep, Yes, No, Entry, Window, Grey, Empty } kind = Keep;
    LangEntry entry{};
};
constexpr Cell _{};
constexpr Cell yes{Cell::Yes};
constexpr Cell no{Cell::No};
constexpr Cell window{Cell::Window};
constexpr Cell grey{Cell::Grey};
constexpr Cell empty{Cell::Empty};
constexpr Cell entry(LangEntry n)
{
    return {Cell::Entry, n};
}

constexpr int kModes = 7;
struct Row {
    QStringList controls;
    Property property;
    std::array<Cell, kModes> cells;
};

// The control states of every mode. Columns: Add Lab, Save Lab, Edit Lab, Save Edit Lab,
// Add Section, Save Section, Cancel. The two-phase buttons later read the captions set here.
const QList<Row> &modeTable()
{
    using P = Property;
    const QStringList browseButtons{QStringLiteral("cmdBrowse"),           QStringLiteral("cmdBrowseTop"),
                                    QStringLiteral("cmdBrowsenwc"),        QStringLiteral("cmdBrowsePicture"),
                                    QStringLiteral("cmdBrowseLoadNwc"),    QStringLiteral("cmdBrowseNodaraXImages"),
                                    QStringLiteral("cmdBrowseNodaraXTopFile"), QStringLiteral("cmdBrowseSetupFile")};
    const QStringList fileLabels{QStringLiteral("lblFile"), QStringLiteral("lblTopFile"), QStringLiteral("lblNwcFile"),
                                 QStringLiteral("lblPictureFile"), QStringLiteral("lblLoadNwcFile")};
    const QStringList nodaraXLabels{QStringLiteral("lblNodaraXImagesPath"), QStringLiteral("lblNodaraXTopFilePath"),
                                    QStringLiteral("lblSetupFilePath")};
    auto one = [](const char16_t *name) { return QStringList{QString::fromUtf16(name)}; };

    static const QList<Row> table{
        // clang-format off
        {one(u"tvlabs"),            P::Enabled,    {no,         yes,      no,         yes,      no,         yes,       _}},
        {one(u"cmdAddLab"),         P::Caption,    {entry(LangEntry::SaveLabCaption), entry(LangEntry::AddLabCaption), _,          _,        _,          _,         entry(LangEntry::AddLabCaption)}},
        {one(u"cmdAddLab"),         P::Default,    {yes,        _,        _,          _,        _,          _,         _}},
        {one(u"cmdAddLab"),         P::Enabled,    {_,          yes,      no,         yes,      no,         no,        no}},
        {one(u"cmdEdit"),           P::Caption,    {_,          _,        entry(LangEntry::SaveLabCaption), entry(LangEntry::EditLabCaption), _,          _,         entry(LangEntry::EditLabCaption)}},
        {one(u"cmdEdit"),           P::Enabled,    {no,         _,        _,          _,        no,         _,         _}},
        {one(u"cmdDelete"),         P::Enabled,    {no,         _,        no,         _,        no,         _,         _}},
        {one(u"cmdDeleteAll"),      P::Enabled,    {no,         yes,      no,         yes,      no,         yes,       yes}},
        {one(u"cmdAddSection"),     P::Caption,    {_,          _,        _,          _,        entry(LangEntry::SaveSectionCaption), entry(LangEntry::EditSectionCaption), entry(LangEntry::AddSectionCaption)}},
        {one(u"cmdAddSection"),     P::Default,    {no,         yes,      _,          _,        _,          yes,       yes}},
        {one(u"cmdAddSection"),     P::Enabled,    {no,         yes,      no,         _,        _,          yes,       yes}},
        {one(u"cmdEditTab"),        P::Enabled,    {_,          yes,      _,          yes,      _,          yes,       _}},
        {one(u"cmdCreatePck"),      P::Enabled,    {no,         yes,      no,         yes,      _,          _,         yes}},
        {one(u"cmdCancel"),         P::Visible,    {yes,        no,       yes,        no,       yes,        no,        no}},
        {browseButtons,             P::Enabled,    {yes,        no,       yes,        no,       _,          no,        _}},
        {one(u"chkTestSimMode"),    P::Enabled,    {yes,        _,        yes,        _,        _,          _,         _}},
        {{},                        P::ExamBoxes,  {yes,        no,       yes,        no,       _,          _,         no}},
        {one(u"txtLabname"),        P::Locked,     {no,         yes,      no,         yes,      no,         yes,       _}},
        {one(u"txtLabname"),        P::Background, {window,     grey,     window,     grey,     _,          _,         grey}},
        {one(u"txtLabname"),        P::Text,       {empty,      empty,    _,          _,        empty,      empty,     empty}},
        {one(u"txtLabDescription"), P::Locked,     {no,         yes,      no,         yes,      _,          _,         yes}},
        {one(u"txtLabDescription"), P::Background, {window,     grey,     window,     grey,     _,          _,         grey}},
        {one(u"txtLabDescription"), P::Text,       {empty,      _,        _,          _,        _,          _,         _}},
        {one(u"txtSection"),        P::Locked,     {yes,        yes,      _,          yes,      no,         yes,       _}},
        {one(u"txtSection"),        P::Background, {_,          _,        _,          _,        window,     grey,      grey}},
        {one(u"txtSection"),        P::Text,       {_,          _,        _,          _,        empty,      _,         empty}},
        {fileLabels,                P::Background, {window,     grey,     window,     grey,     _,          _,         grey}},
        {fileLabels,                P::Caption,    {empty,      empty,    _,          _,        empty,      empty,     empty}},
        {nodaraXLabels,             P::Background, {window,     grey,     window,     grey,     _,          _,         grey}},
        {nodaraXLabels,             P::Caption,    {empty,      _,        _,          _,        empty,      empty,     empty}},
        {one(u"lblInstructions"),   P::Caption,    {entry(LangEntry::AddLabInstructions), _,        entry(LangEntry::EditLabInstructions), _,        _,          _,         _}},
        {one(u"txtSection"),        P::Focus,      {_,          _,        _,          _,        yes,        _,         _}},
        // clang-format on
    };
    return table;
}

void setCaption(QWidget *control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(text);
}

void setText(QWidget *control, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(control))
        line->setText(text);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(control))
        plain->setPlainText(text);
}

void apply(AddLabs &form, QWidget *control, Property property, Cell cell)
{
    const bool on = cell.kind == Cell::Yes;
    switch (property) {
    case Property::Enabled:
        control->setEnabled(on);
        break;
    case Property::Visible:
        control->setVisible(on);
        break;
    case Property::Caption:
        setCaption(control, cell.kind == Cell::Entry ? langText(cell.entry) : QString());
        break;
    case Property::Default:
        if (on)
            form.setDefaultButton(qobject_cast<QPushButton *>(control));
        else if (form.defaultButton() == control)
            form.setDefaultButton(nullptr);
        break;
    case Property::Locked:
        setLocked(control, on);
        break;
    case Property::Background:
        setFieldBackground(control, cell.kind == Cell::Grey);
        break;
    case Property::Text:
        setText(control, QString());
        break;
    case Property::Focus:
        control->setFocus(Qt::OtherFocusReason);
        break;
    case Property::ExamBoxes:
        break;
    }
}

} // namespace

const QList<WindowModeName> &windowModeNames()
{
    static const QList<WindowModeName> names{
        {QStringLiteral("Add Lab"), LangEntry::AddLabCaption},           {QStringLiteral("Save Lab"), LangEntry::SaveLabCaption},
        {QStringLiteral("Edit Lab"), LangEntry::EditLabCaption},          {QStringLiteral("Save Edit Lab"), LangEntry::SaveEditLabMode},
        {QStringLiteral("Add Section"), LangEntry::AddSectionCaption},      {QStringLiteral("Save Section"), LangEntry::SaveSectionCaption},
        {QStringLiteral("Cancel"), LangEntry::CancelCaption},
    };
    return names;
}

std::optional<WindowMode> windowModeNamed(const QString &name)
{
    const QList<WindowModeName> &names = windowModeNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (name == names[i].name || name == langText(names[i].entry))
            return static_cast<WindowMode>(i);
    }
    return std::nullopt;
}

bool applyWindowMode(AddLabs &form, const QString &mode)
{
    const std::optional<WindowMode> named = windowModeNamed(mode);
    if (!named)
        return false;
    const auto column = static_cast<qsizetype>(*named);

    for (const Row &row : modeTable()) {
        const Cell cell = row.cells[static_cast<std::size_t>(column)];
        if (cell.kind == Cell::Keep)
            continue;
        if (row.property == Property::ExamBoxes) {
            if (cell.kind == Cell::Yes)
                form.unlockExamBoxes();
            else
                form.lockExamBoxes();
            continue;
        }
        for (const QString &name : row.controls) {
            if (auto *control = form.findChild<QWidget *>(name))
                apply(form, control, row.property, cell);
        }
    }
    return true;
}

void setFieldBackground(QWidget *field, bool grey)
{
    QPalette palette = field->palette();
    const QColor colour = grey ? kGrey : QApplication::palette(field).color(QPalette::Base);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    // The usual greyed-out text would vanish on the grey field; it has to stay readable.
    const QColor disabledText = grey ? QColor(0x30, 0x30, 0x30)
                                     : QApplication::palette(field).color(QPalette::Disabled, QPalette::Text);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    field->setPalette(palette);
    if (qobject_cast<QLabel *>(field))
        field->setAutoFillBackground(true);
}

bool hasGreyBackground(const QWidget *field)
{
    return field->palette().color(QPalette::Base) == kGrey;
}

void setLocked(QWidget *field, bool locked)
{
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->setReadOnly(locked);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        plain->setReadOnly(locked);
}

bool isLocked(const QWidget *field)
{
    if (auto *line = qobject_cast<const QLineEdit *>(field))
        return line->isReadOnly();
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(field))
        return plain->isReadOnly();
    return false;
}

QStringList windowModeControlNames()
{
    QStringList names;
    for (const Row &row : modeTable()) {
        for (const QString &name : row.controls) {
            if (!names.contains(name))
                names.append(name);
        }
    }
    return names;
}

} // namespace fendrel::gui
