#pragma once

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
// Owners connect to FolderSelected, which is raised for every change of the selected node: clicks,
// keys and each level that SelectPath selects.
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
    // Adds one node per visible sub-folder of the node's folder on disk, each with a placeholder.
    void FillChildren(QTreeWidgetItem* item);
    // Removes all descendants of the node.
    void DeleteChildren(QTreeWidgetItem* item);
    // True when the item is a placeholder (the stand-in child of a node that was never opened).
    static bool IsPlaceholder(const QTreeWidgetItem* item);

  signals:
    // The selected node changed; `path` is GetPath of the new node (no trailing "/" except "/").
    void FolderSelected(const std::string& path);

  private:
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnItemCollapsed(QTreeWidgetItem* item);
    void OnSelectionChanged();
    QTreeWidgetItem* AddSorted(QTreeWidgetItem* parent, const std::string& key, const QIcon& icon);
    void AddPlaceholder(QTreeWidgetItem* item);

    RootProvider root_provider_;
    bool filling_ = false;  // suppresses re-entrant fills while children are replaced
};
