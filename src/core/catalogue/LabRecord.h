#pragma once

#include <QString>

namespace fendrel {

// Everything about a lab except its name and its place in the tree.
struct LabRecord {
    QString key;
    QString description;
    QString topFile;
    QString loadNwcFile;
    QString nwcFile;
    QString link;
    QString linkPage;
    qint16 optFiles = 0; // how many of nwcFile, loadNwcFile and picture are set; never supplied by callers
    QString picture;
    QString mode;
    QString examsCovered;
    QString sku;

    qint16 countOptFiles() const
    {
        return static_cast<qint16>(!nwcFile.isEmpty() + !loadNwcFile.isEmpty() + !picture.isEmpty());
    }
    bool operator==(const LabRecord &) const = default;
};

// The fields of a lab that name a file.
enum class LabFileField { Document, Topology, Picture, GradingConfiguration, LoadingConfiguration };

} // namespace fendrel
