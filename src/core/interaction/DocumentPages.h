#pragma once

#include <QString>

#include <optional>

namespace fendrel {

// How many pages a PDF document has. The core reads no PDF itself; the window answers with its
// viewer's reader. The catalogue check calls it from worker threads, several at once, so an
// answer must touch no window and share nothing unguarded.
class DocumentPages {
public:
    virtual ~DocumentPages() = default;
    // None when the document cannot be read as a PDF.
    virtual std::optional<int> pageCount(const QString &pdfPath) const = 0;
};

} // namespace fendrel
