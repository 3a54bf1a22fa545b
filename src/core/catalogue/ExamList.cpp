#include "catalogue/ExamList.h"

namespace fendrel {

const QStringList &examCodes()
{
    static const QStringList codes{QStringLiteral("bcmsn"), QStringLiteral("bsci"),  QStringLiteral("icnd1"),
                                   QStringLiteral("icnd2"), QStringLiteral("iscw"),  QStringLiteral("route"),
                                   QStringLiteral("supplemental"), QStringLiteral("ont"), QStringLiteral("switch"),
                                   QStringLiteral("tshoot")};
    return codes;
}

QString updateExamList(const QString &list, const QString &code, bool checked)
{
    if (checked)
        return list.isEmpty() ? code : list + u',' + code;

    QString result = list;
    const QString leading = u',' + code;
    const QString trailing = code + u',';
    if (result.contains(leading, Qt::CaseInsensitive))
        result.replace(leading, QString(), Qt::CaseSensitive);
    else if (result.contains(trailing, Qt::CaseInsensitive))
        result.replace(trailing, QString(), Qt::CaseSensitive);
    else if (result.contains(code, Qt::CaseInsensitive))
        result.replace(code, QString(), Qt::CaseSensitive);
    return result;
}

void showExamList(const QString &shown, ExamBoxes &boxes, QString &editingList)
{
    const QStringList &codes = examCodes();
    auto set = [&](int box, bool checked) {
        if (boxes[box] == checked)
            return;
        boxes[box] = checked;
        editingList = updateExamList(editingList, codes[box], checked);
    };
    for (int box = 0; box < kExamCount; ++box)
        set(box, false);
    for (const QString &item : shown.split(u',')) {
        const int box = static_cast<int>(codes.indexOf(item));
        if (box >= 0)
            set(box, true);
    }
}

} // namespace fendrel
