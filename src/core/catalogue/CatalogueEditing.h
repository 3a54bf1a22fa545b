#pragma once

#include "startup/Folders.h"

#include "catalogue/LabRecord.h"

#include <QString>

#include <optional>

namespace fendrel {

struct Catalogue;
class CatalogueNode;
class KeyArray;
class Prompter;

// The catalogue side of the main window's editing commands. The window keeps its controls,
// modes and focus; these functions change the tree and the key array, show the commands'
// messages and log their failures.

// A typed lab or section name: first character upper-cased, the rest as typed.
QString capitalizeFirst(const QString &text);
// Why a typed or chosen text cannot be kept by the catalogue file, or an empty text when it can.
QString catalogueValueRefusal(const QString &value);
// The page number the page-link window reports: lower-cased and trimmed, and only if numeric.
std::optional<QString> pageNumberValue(const QString &value);

enum class LabStore {
    Stored,
    Incomplete,    // name, document or topology missing: LabIncompleteMessage shown
    RecordMissing, // edit of a lab without a record: EditedLabDetailsMissingMessage shown
    NotStored,     // the key array refused the record: LabNotStoredMessage or LabChangesNotStoredMessage shown, the node stays
    Failed,        // the tree refused the node: logged, nothing changed
};

struct LabStoreResult {
    LabStore outcome = LabStore::Failed;
    CatalogueNode *node = nullptr;
};

// What the user typed and ticked for the lab being stored.
struct LabInput {
    QString name;
    QString section;     // the section shown with the lab
    QString description; // kept as typed
    bool testSimMode = false;
    QString documentLabel; // the file name shown for the document (edits only)
};

// Stores a new lab from the edit buffer in the section named by input.section.
LabStoreResult addLab(Catalogue &catalogue, KeyArray &records, const LabRecord &buffer, const LabInput &input,
                      Prompter &prompter);

// Stores the lab at the tree index. Buffer fields left empty take the stored values, so an edit
// that chooses no new file keeps every stored path; the buffer ends up holding what was stored.
LabStoreResult editLab(Catalogue &catalogue, KeyArray &records, LabRecord &buffer, qint32 nodeIndex,
                       const LabInput &input, Prompter &prompter);

// Deletes a lab with its record, or a section (the window offers it only for an empty one), and
// selects the node's parent. Returns the selected node, or nullptr when nothing was deleted.
CatalogueNode *deleteNode(Catalogue &catalogue, KeyArray &records, CatalogueNode *node, Prompter &prompter);

// Empties the catalogue: only a root without title remains, the records are gone and so is the
// catalogue file.
void deleteAll(Catalogue &catalogue, KeyArray &records);

// Adds a section after the others, or renames one keeping its labs and SKU; the typed name is
// trimmed and capitalised. nullptr (and an error-log line) when another section already has the
// name, letter case aside.
CatalogueNode *addSection(Catalogue &catalogue, const QString &typedName);
CatalogueNode *renameSection(Catalogue &catalogue, CatalogueNode *section, const QString &typedName);

// Sets the tab title. A catalogue of the root alone gets a new root, as the program always did.
void setTabTitle(Catalogue &catalogue, const QString &title);

} // namespace fendrel
