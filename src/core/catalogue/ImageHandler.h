#pragma once

#include <QByteArrayView>
#include <QString>

namespace fendrel {

// What the picture check learnt from a file's first bytes.
struct ImageInfo {
    bool ok = false;
    qint32 width = 0;
    qint32 height = 0;
    QString type; // "jpg", "gif", "bmp" or "png"
};

// Recognises a lab picture by its header alone, the way the simulator does: JPEG, GIF, Windows
// bitmap or PNG, in that order. Sizes the simulator keeps in a signed 16-bit value fail the
// check when they do not fit one.
ImageInfo imageInfo(QByteArrayView header);
// The check on the first 256 bytes of a file; a file that cannot be read fails.
ImageInfo imageHandler(const QString &path);

} // namespace fendrel
