#pragma once

#include <QString>

#include <optional>

namespace fendrel {

// How many pages a PDF document has. The core reads no PDF itself; the window answers with its
// viewer's reader, and the catalogue check calls it from a worker thread, so an answer must not
// touch the window.
class DocumentPages {
public:
    virtual ~DocumentPages() = default;
    // None when the document cannot be read as a PDF.
    virtual std::optional<int> pageCount(const QString &pdfPath) const = 0;
};

} // namespace fendrel
