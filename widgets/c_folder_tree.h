#pragma once

#include <QIcon>
#include <QSet>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

// The folder tree of both programs: one top-level node per root of this system ("/", the home
// folder, mounted removable, optical, network and RAM file systems), folders below them read from
// disk only when a node is opened.
//
// Invariants: a node that is not open has exactly one placeholder child (empty text, folder icon)
// so that it shows an expand button; opening reads the disk again, closing forgets what was read;
// hidden folders (name beginning with ".") never appear; siblings are kept in case-insensitive
// order of their text.
//
// The open nodes are kept current while the program runs: folders made or removed on disk (by
// another program, or a job's output folder) appear and disappear by themselves, and F5 reads
// every open folder again. The selected node and the open ones stay as they are; a selected folder
// that was removed hands the selection to its parent.
//
// Owners connect to FolderSelected, which is raised for every change of the selected node: clicks,
// keys and each level that SelectPath selects.
class QFileSystemWatcher;
class QTimer;

class CFolderTree : public QTreeWidget {
    Q_OBJECT
  public:
    // Where the top-level nodes come from; FolderTreeRoots() unless replaced (tests use a temporary
    // folder as the only root).
    using RootProvider = std::function<std::vector<FolderRoot>()>;

    explicit CFolderTree(QWidget* parent = nullptr);

    // Replaces the source of the top-level nodes; takes effect at the next Init or AddDrives.
    void SetRootProvider(RootProvider provider);

    // Sets the tree's look (no header, folder icons) and adds the roots; call once, before
    // SelectPath.
    void Init();
    // Adds one top-level node per root, with its kind's icon and a placeholder under it. Roots that
    // do not exist are skipped.
    void AddDrives();
    // The full path of a node: a root's text is its path ("/" or "/home/kei"); below it the folder
    // names are joined with "/". No trailing "/" except for "/" itself. Empty for nullptr.
    std::string GetPath(const QTreeWidgetItem* item) const;
    // The path of the selected node, or an empty text when nothing is selected.
    std::string SelectedPath() const;
    // Opens and selects the nodes along `path` as far as they exist: starts at the root whose path
    // is the longest leading part of `path` (whole folder names only), then matches the following
    // folder names exactly (case-sensitive). Raises FolderSelected once per level selected; selects
    // nothing when no root leads the path.
    void SelectPath(const std::string& path);
    // Opens the nodes along `path` and selects the last one only, as a click on it would (one
    // FolderSelected). False, with nothing selected, when the tree cannot show the whole path (a
    // folder that is hidden, missing, or under no root).
    bool OpenPath(const std::string& path);
    // Adds one node per visible sub-folder of the node's folder on disk, each with a placeholder.
    void FillChildren(QTreeWidgetItem* item);
    // Reads every open folder again: new sub-folders are added in their sorted place, removed ones
    // taken away; everything else (selection, open nodes) stays. F5 does the same.
    void Refresh();
    // Removes all descendants of the node.
    void DeleteChildren(QTreeWidgetItem* item);
    // True when the item is a placeholder (the stand-in child of a node that was never opened).
    static bool IsPlaceholder(const QTreeWidgetItem* item);

  signals:
    // The selected node changed; `path` is GetPath of the new node (no trailing "/" except "/").
    void FolderSelected(const std::string& path);
    // Every open folder was read again (Refresh, F5): owners that show a folder's contents read
    // theirs again too.
    void Refreshed();

  private:
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnItemCollapsed(QTreeWidgetItem* item);
    void OnSelectionChanged();
    // Adds one node per name under `parent` (the invisible root for top-level nodes), each with
    // `icon` and a placeholder, in its sorted place among the children already there.
    void AddSorted(QTreeWidgetItem* parent, std::vector<std::string> names, const QIcon& icon);
    void AddPlaceholder(QTreeWidgetItem* item);
    const QIcon& FolderIcon();
    // The root that leads `path` furthest, and the folder names below it; nullptr when none.
    QTreeWidgetItem* RootOf(const std::string& path, std::vector<std::string>& parts) const;
    // The child of `node` named exactly `name`, or nullptr.
    static QTreeWidgetItem* ChildNamed(QTreeWidgetItem* node, const std::string& name);
    // Brings an open node's children in line with its folder on disk, then its open children's.
    void RefreshNode(QTreeWidgetItem* item);
    // Calls `visit` on every open node, a parent before its children; the children of a node
    // whose visit returns false are passed over.
    void VisitOpenNodes(const std::function<bool(QTreeWidgetItem*)>& visit) const;
    // Watches exactly the folders of the open nodes.
    void WatchOpenFolders();
    void OnFolderChanged(const QString& folder);
    void RefreshChanged();

    RootProvider root_provider_;
    bool filling_ = false;       // suppresses re-entrant fills while children are replaced
    std::string last_selected_;  // the path last reported by FolderSelected
    QFileSystemWatcher* watcher_;
    QTimer* refresh_timer_;  // gathers a burst of changes (a job writing a folder) into one read
    QSet<QString> changed_;  // folders reported changed since the last read
    QIcon folder_icon_;      // every folder's and placeholder's, looked up once
};
