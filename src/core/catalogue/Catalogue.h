#pragma once

#include "catalogue/CatalogueProblem.h"
#include "catalogue/CatalogueTree.h"
#include "catalogue/KeyArray.h"
#include "catalogue/KeyCounter.h"
#include "catalogue/LabRecord.h"
#include "catalogue/ProductSku.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace fendrel {

class Prompter;
struct WizardLab;

inline const QString kCatalogueFileName = QStringLiteral("Fendrel.ini");

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

// The catalogue being edited, as one document: its tree, the lab records (the key array), the
// SKUs handed out, the key counter that names its labs, the tab title as typed and the catalogue
// file it came from. Every change goes through one of its operations, and each operation
// announces what it changed, so that views, undo and checks can follow without polling.
class Catalogue : public QObject {
    Q_OBJECT
public:
    explicit Catalogue(QObject *parent = nullptr);

    const CatalogueTree &tree() const { return m_tree; }
    const KeyArray &records() const { return m_records; }
    const SkuTree &skus() const { return m_skus; }
    const KeyCounter &keys() const { return m_keys; }
    // The title as typed; the root node's text follows it only when the title is stored.
    const QString &tabTitle() const { return m_tabTitle; }
    const QString &iniPath() const { return m_iniPath; }
    void setIniPath(const QString &path) { m_iniPath = path; }
    // Where the check and the compiler read the labs' relative paths from; empty, the working
    // folder. The records keep the paths as written, so the saved catalogue does not change.
    const QString &filesFolder() const { return m_filesFolder; }
    void setFilesFolder(const QString &folder) { m_filesFolder = folder; }

    // The sections in order, and with section->children() their labs: the one walk that saving,
    // compiling and checking share.
    const std::vector<CatalogueNode *> &sections() const;
    // The record of a lab node, or nullptr when it has none.
    const LabRecord *recordOf(const CatalogueNode &lab) const;
    CatalogueNode *selectedNode() const { return m_tree.selectedNode(); }
    void select(CatalogueNode *node) { m_tree.select(node); }

    // Reads the catalogue file of iniFolder (or of appDataFolder when empty) into the tree and the
    // key array, making and recording SKUs where the file has none. Sections after a gap in the
    // numbering are not read. The records of the previous catalogue are kept, unreferenced, as
    // they always were; keyArrayInitialize drops them.
    void createNewTree(Prompter &prompter, const QString &appDataFolder, const QString &iniFolder = {});
    // What the last load merged or could not carry into the tree: a section counting more labs than
    // a catalogue can hold is loaded without them, and must not compile as if empty; two sections
    // named alike but for letter case became one.
    const QList<CatalogueProblem> &loadProblems() const { return m_loadProblems; }
    // Once the catalogue was saved, what the load merged is how the file has it.
    void dropLoadProblems(ProblemKind kind)
    {
        m_loadProblems.removeIf([kind](const CatalogueProblem &p) { return p.kind == kind; });
    }
    void keyArrayInitialize();

    // The editing commands, with the rules and messages the window has always had.

    // Stores a new lab from the edit buffer in the section named by input.section.
    LabStoreResult addLab(const LabRecord &buffer, const LabInput &input, Prompter &prompter);
    // Stores the lab at the tree index. Buffer fields left empty take the stored values, so an edit
    // that chooses no new file keeps every stored path; the buffer ends up holding what was stored.
    LabStoreResult editLab(LabRecord &buffer, qint32 nodeIndex, const LabInput &input, Prompter &prompter);
    // Deletes a lab with its record, or a section (the window offers it only for an empty one), and
    // selects the node's parent. Returns the selected node, or nullptr when nothing was deleted.
    CatalogueNode *deleteNode(CatalogueNode *node, Prompter &prompter);
    // Empties the catalogue: only a root without title remains, the records are gone and so is the
    // catalogue file.
    void deleteAll();
    // Adds a section after the others, or renames one keeping its labs and SKU; the typed name is
    // trimmed and capitalised. nullptr (and an error-log line) when another section already has the
    // name, letter case aside.
    CatalogueNode *addSection(const QString &typedName);
    CatalogueNode *renameSection(CatalogueNode *section, const QString &typedName);
    // Stores the tab title. A catalogue of the root alone gets a new root, as the program always did.
    void setTabTitle(const QString &title);
    // The title as it is being typed: saved with the catalogue, not yet shown in the tree.
    void setTypedTabTitle(const QString &title);
    // Replaces the catalogue file with the wizard's one-lab catalogue and loads it. False when the
    // file could not be written; nothing changed then.
    bool importWizardLab(const WizardLab &lab, const QString &appDataFolder, Prompter &prompter);

    // Everything the catalogue holds, as a value that shares its texts: what undo and redo go back to.
    struct Snapshot {
        struct Node {
            QString parentKey; // empty for the tab
            QString key;
            QString text;
            QString tag;
            bool expanded = false;
        };
        QList<Node> nodes; // the tab, then each section followed by its labs
        KeyArray records;
        SkuTree skus;
        KeyCounter keys;
        QString tabTitle;
        QList<CatalogueProblem> loadProblems;
        QString selectedKey;
    };
    Snapshot snapshot() const;
    // The catalogue as the snapshot holds it, announced as a reset.
    void restore(const Snapshot &snapshot);

    // The building blocks of loading, undo and moves: exact names, no capitalising, no messages.

    // An empty catalogue of the tab alone.
    void clear(const QString &tabTitle = {}, const QString &tabSku = {});
    CatalogueNode *insertSection(const QString &name, const QString &sku = {}, qint32 row = -1);
    // A lab node with its record (a new key when the record has none). Without a record, or when
    // the key array refuses it, the node stands alone: recordOf tells.
    CatalogueNode *insertLab(CatalogueNode *section, const QString &name, std::optional<LabRecord> record,
                             qint32 row = -1);
    // keyArrayUpdate of a lab's record: fields given as non-empty texts overwrite, mode always does.
    bool updateRecord(const LabRecord &record);
    // Takes a node and what it holds out of the catalogue.
    bool removeNode(CatalogueNode *node);
    // Moves a lab into a section, or a section along the tab, to child number row.
    bool moveNode(CatalogueNode *node, CatalogueNode *newParent, qint32 row);
    // A lab moved into another section loses its SKU, as an added lab has none: the save makes it
    // one that follows the new section's.
    bool moveLab(CatalogueNode *lab, CatalogueNode *section, qint32 row);

Q_SIGNALS:
    // The whole catalogue is about to be replaced (load, delete all, a new root), and was.
    void aboutToReset();
    void wasReset();
    void nodeAboutToBeInserted(const CatalogueNode *parent, qint32 row);
    void nodeInserted(const CatalogueNode *node);
    void nodeAboutToBeRemoved(const CatalogueNode *node);
    void nodeRemoved(const CatalogueNode *parent, qint32 row);
    void nodeAboutToBeMoved(const CatalogueNode *node, const CatalogueNode *newParent, qint32 row);
    void nodeMoved(const CatalogueNode *node);
    // Its text, tag or record changed.
    void nodeChanged(const CatalogueNode *node);
    void tabTitleChanged(const QString &title);
    // After every change above.
    void changed();

private:
    // Emits the reset pair around a change of the whole catalogue.
    void resetWith(const std::function<void()> &change);
    // Adds a node under parent at a row, announced unless a reset announces it.
    CatalogueNode *insertNode(CatalogueNode *parent, const QString &key, const QString &text, const QString &tag,
                              qint32 row);
    void changeNode(CatalogueNode *node);

    CatalogueTree m_tree;
    bool m_resetting = false; // node signals wait for the reset's end
    KeyArray m_records;
    SkuTree m_skus;
    KeyCounter m_keys;
    QString m_tabTitle;
    QString m_iniPath;
    QString m_filesFolder;
    QList<CatalogueProblem> m_loadProblems;
};

} // namespace fendrel
