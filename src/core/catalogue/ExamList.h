#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace fendrel {

inline constexpr int kExamCount = 10;

// The exam codes in the order of the main window's exam boxes.
const QStringList &examCodes();

// The exam-coverage list after one exam box was clicked. Codes are looked for without regard to
// letter case but removed only where their case matches, so an odd-cased entry typed into the
// catalogue file by hand stays put.
QString updateExamList(const QString &list, const QString &code, bool checked);

using ExamBoxes = std::array<bool, kExamCount>;

// Shows a stored list in the exam boxes: every box is cleared, then the box of each item that is
// exactly one of the codes is checked. Each box that changes updates the editing list as a click
// would, which is how that list follows the lab on show.
void showExamList(const QString &shown, ExamBoxes &boxes, QString &editingList);

} // namespace fendrel
