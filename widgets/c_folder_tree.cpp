#include "widgets/c_folder_tree.h"

#include <QApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <set>
#include <utility>

#include "core/path_helpers.h"

namespace {

QIcon RootIcon(const QStyle* style, RootKind kind) {
    switch (kind) {
        case RootKind::Removable:
            return style->standardIcon(QStyle::SP_DriveFDIcon);
        case RootKind::Fixed:
            return style->standardIcon(QStyle::SP_DriveHDIcon);
        case RootKind::Network:
            return style->standardIcon(QStyle::SP_DriveNetIcon);
        case RootKind::Optical:
            return style->standardIcon(QStyle::SP_DriveCDIcon);
        case RootKind::Ram:
            // No style offers a memory picture; the computer stands for "in memory".
            return style->standardIcon(QStyle::SP_ComputerIcon);
    }
    return style->standardIcon(QStyle::SP_DriveHDIcon);
}

// File names are kept as the bytes the system gave, beside the text shown, so that a name that is
// not valid UTF-8 still leads to its folder.
constexpr int kNameRole = Qt::UserRole;

std::string ItemText(const QTreeWidgetItem* item) {
    const QVariant name = item->data(0, kNameRole);
    if (name.isValid()) return name.toByteArray().toStdString();
    return item->text(0).toStdString();
}

// A folder path as the file system watcher takes it.
QString WatchName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// How long a burst of changes is gathered before the folders are read again: a job writing many
// files into an open folder costs one read every so often, not one per file.
constexpr int kRefreshDelayMs = 200;

// True when `root` is `path` or a leading part of it made of whole folder names.
bool RootLeads(const std::string& root, const std::string& path) {
    if (root.empty() || path.compare(0, root.size(), root) != 0) return false;
    if (path.size() == root.size()) return true;
    return root.back() == kPathSeparator || path[root.size()] == kPathSeparator;
}

}  // namespace

CFolderTree::CFolderTree(QWidget* parent)
    : QTreeWidget(parent),
      root_provider_(FolderTreeRoots),
      watcher_(new QFileSystemWatcher(this)),
      refresh_timer_(new QTimer(this)) {
    connect(this, &QTreeWidget::itemExpanded, this, &CFolderTree::OnItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &CFolderTree::OnItemCollapsed);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CFolderTree::OnSelectionChanged);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &CFolderTree::OnFolderChanged);
    refresh_timer_->setSingleShot(true);
    refresh_timer_->setInterval(kRefreshDelayMs);
    connect(refresh_timer_, &QTimer::timeout, this, &CFolderTree::RefreshChanged);
    // Anywhere in the tree's window, as in a file manager.
    auto* reread = new QShortcut(QKeySequence(Qt::Key_F5), this);
    reread->setContext(Qt::WindowShortcut);
    connect(reread, &QShortcut::activated, this, &CFolderTree::Refresh);
}

void CFolderTree::SetRootProvider(RootProvider provider) {
    root_provider_ = std::move(provider);
}

void CFolderTree::Init() {
    clear();  // a second Init starts over instead of listing every root twice
    WatchOpenFolders();
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    AddDrives();
}

void CFolderTree::AddDrives() {
    if (!root_provider_) return;
    for (const FolderRoot& root : root_provider_()) {
        if (root.path.empty() || !IsDirectory(root.path)) continue;
        AddSorted(invisibleRootItem(), {root.path}, RootIcon(style(), root.kind));
    }
}

std::string CFolderTree::GetPath(const QTreeWidgetItem* item) const {
    if (item == nullptr) return {};
    std::string path = ItemText(item);
    for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
        std::string prefix = ItemText(up);
        if (prefix.empty() || prefix.back() != kPathSeparator) prefix += kPathSeparator;
        path = prefix + path;
    }
    return path;
}

std::string CFolderTree::SelectedPath() const {
    const QTreeWidgetItem* item = currentItem();
    if (item == nullptr || IsPlaceholder(item)) return {};
    return GetPath(item);
}

QTreeWidgetItem* CFolderTree::RootOf(const std::string& path,
                                     std::vector<std::string>& parts) const {
    // The root whose path leads the given one furthest: "/home/kei/Pictures" starts at the home
    // node rather than at "/". Comparisons are exact: the file system is case-sensitive.
    QTreeWidgetItem* node = nullptr;
    size_t matched = 0;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        const std::string text = ItemText(root);
        if (RootLeads(text, path) && (node == nullptr || text.size() > matched)) {
            node = root;
            matched = text.size();
        }
    }
    parts.clear();
    if (node == nullptr) return nullptr;
    size_t start = matched;
    while (start <= path.size()) {
        size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return node;
}

QTreeWidgetItem* CFolderTree::ChildNamed(QTreeWidgetItem* node, const std::string& name) {
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* candidate = node->child(i);
        if (!IsPlaceholder(candidate) && ItemText(candidate) == name) return candidate;
    }
    return nullptr;
}

void CFolderTree::SelectPath(const std::string& path) {
    std::vector<std::string> parts;
    QTreeWidgetItem* node = RootOf(path, parts);
    size_t next = 0;
    while (node != nullptr) {
        // Opening fills the node from disk, so the next part is compared with what is there now.
        node->setExpanded(true);
        setCurrentItem(node);
        scrollToItem(node);
        if (next == parts.size()) break;
        node = ChildNamed(node, parts[next]);
        ++next;
    }
}

bool CFolderTree::OpenPath(const std::string& path) {
    std::vector<std::string> parts;
    QTreeWidgetItem* node = RootOf(path, parts);
    for (size_t next = 0; node != nullptr && next < parts.size(); ++next) {
        node->setExpanded(true);
        node = ChildNamed(node, parts[next]);
    }
    if (node == nullptr) return false;
    setCurrentItem(node);
    scrollToItem(node);
    return true;
}

void CFolderTree::FillChildren(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    std::vector<std::string> names;
    for (DirEntry& entry : ListDirectory(GetPath(item))) {
        if (!entry.is_dir || entry.hidden || entry.name == "." || entry.name == "..") continue;
        names.push_back(std::move(entry.name));
    }
    AddSorted(item, std::move(names), FolderIcon());
}

void CFolderTree::DeleteChildren(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    // Deleting an item deletes its own descendants with it.
    while (item->childCount() > 0) delete item->takeChild(item->childCount() - 1);
}

bool CFolderTree::IsPlaceholder(const QTreeWidgetItem* item) {
    return item != nullptr && item->parent() != nullptr && item->text(0).isEmpty();
}

void CFolderTree::OnItemExpanded(QTreeWidgetItem* item) {
    if (filling_) return;
    filling_ = true;
    // The disk is read again at every opening: folders made or removed since then show up.
    DeleteChildren(item);
    FillChildren(item);
    filling_ = false;
    WatchOpenFolders();
}

void CFolderTree::OnItemCollapsed(QTreeWidgetItem* item) {
    if (filling_) return;
    filling_ = true;
    // A selection inside the closed node moves up to it first, so that the owner hears of the
    // change once, with a node that still exists.
    for (QTreeWidgetItem* up = currentItem(); up != nullptr; up = up->parent()) {
        if (up->parent() == item) {
            setCurrentItem(item);
            break;
        }
    }
    DeleteChildren(item);
    AddPlaceholder(item);
    filling_ = false;
    WatchOpenFolders();
}

void CFolderTree::Refresh() {
    refresh_timer_->stop();
    changed_.clear();
    for (int i = 0; i < topLevelItemCount(); ++i) RefreshNode(topLevelItem(i));
    WatchOpenFolders();
    emit Refreshed();
}

void CFolderTree::RefreshNode(QTreeWidgetItem* item) {
    // A closed node reads its folder when it is opened; only open ones can be out of date.
    if (item == nullptr || !item->isExpanded() || filling_) return;
    filling_ = true;
    std::set<std::string> on_disk;
    for (const DirEntry& entry : ListDirectory(GetPath(item))) {
        if (entry.is_dir && !entry.hidden && entry.name != "." && entry.name != "..")
            on_disk.insert(entry.name);
    }
    std::set<std::string> shown;
    for (int i = item->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = item->child(i);
        if (IsPlaceholder(child)) continue;
        const std::string name = ItemText(child);
        if (on_disk.count(name) != 0) {
            shown.insert(name);
            continue;
        }
        // A removed folder that holds the selection hands it to its parent first, so that the
        // owner hears of the change once, with a node that still exists.
        for (QTreeWidgetItem* up = currentItem(); up != nullptr; up = up->parent()) {
            if (up == child) {
                setCurrentItem(item);
                break;
            }
        }
        delete item->takeChild(i);
    }
    std::vector<std::string> added;
    for (const std::string& name : on_disk) {
        if (shown.count(name) == 0) added.push_back(name);
    }
    AddSorted(item, std::move(added), FolderIcon());
    filling_ = false;
    for (int i = 0; i < item->childCount(); ++i) RefreshNode(item->child(i));
}

void CFolderTree::VisitOpenNodes(const std::function<bool(QTreeWidgetItem*)>& visit) const {
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < topLevelItemCount(); ++i) pending.push_back(topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem* node = pending.back();
        pending.pop_back();
        if (!node->isExpanded() || !visit(node)) continue;
        for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->child(i));
    }
}

void CFolderTree::WatchOpenFolders() {
    QStringList open;
    VisitOpenNodes([this, &open](QTreeWidgetItem* node) {
        open << WatchName(GetPath(node));
        return true;
    });
    const QStringList watched = watcher_->directories();
    QStringList gone;
    for (const QString& folder : watched)
        if (!open.contains(folder)) gone << folder;
    if (!gone.isEmpty()) watcher_->removePaths(gone);
    QStringList added;
    for (const QString& folder : open)
        if (!watched.contains(folder) && !added.contains(folder)) added << folder;
    // A folder that cannot be watched (removed meanwhile, or on a file system without change
    // notices) is still read again by F5.
    if (!added.isEmpty()) watcher_->addPaths(added);
}

void CFolderTree::OnFolderChanged(const QString& folder) {
    changed_.insert(folder);
    if (!refresh_timer_->isActive()) refresh_timer_->start();
}

void CFolderTree::RefreshChanged() {
    const QSet<QString> changed = std::exchange(changed_, {});
    std::vector<QTreeWidgetItem*> stale;
    VisitOpenNodes([&](QTreeWidgetItem* node) {
        if (!changed.contains(WatchName(GetPath(node)))) return true;
        stale.push_back(node);
        return false;  // its open children are read with it
    });
    for (QTreeWidgetItem* node : stale) RefreshNode(node);
    WatchOpenFolders();
}

void CFolderTree::OnSelectionChanged() {
    // The selection, not the current node, is the user's choice: taking the focus makes the first
    // node current without selecting it, and that must not choose "/" behind the user's back.
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty() || IsPlaceholder(selected.front())) return;
    const std::string path = GetPath(selected.front());
    // Folders added or removed beside the selected one while a node is filled shift it without
    // changing it: that is no news for the owner.
    if (filling_ && path == last_selected_) return;
    last_selected_ = path;
    emit FolderSelected(path);
}

void CFolderTree::AddSorted(QTreeWidgetItem* parent, std::vector<std::string> names,
                            const QIcon& icon) {
    // One sort, then each run of new nodes inserted at once between the children already there
    // (which are in order): a folder of 20,000 sub-folders opens at once, where inserting node by
    // node, each compared with its siblings, took minutes. A name equal to others but for case
    // goes after them, as it would one by one in the order given.
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) < 0;
    });
    std::vector<std::string> present;
    present.reserve(parent->childCount());
    for (int i = 0; i < parent->childCount(); ++i) present.push_back(ItemText(parent->child(i)));
    size_t next = 0;
    int inserted = 0;
    for (size_t before = 0; before <= present.size() && next < names.size(); ++before) {
        QList<QTreeWidgetItem*> run;
        while (next < names.size() &&
               (before == present.size() || CompareNoCase(present[before], names[next]) > 0)) {
            const std::string& name = names[next++];
            auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(name)));
            item->setData(0, kNameRole, QByteArray::fromStdString(name));
            item->setIcon(0, icon);
            AddPlaceholder(item);
            run.append(item);
        }
        if (run.isEmpty()) continue;
        parent->insertChildren(static_cast<int>(before) + inserted, run);
        inserted += static_cast<int>(run.size());
    }
}

void CFolderTree::AddPlaceholder(QTreeWidgetItem* item) {
    auto* placeholder = new QTreeWidgetItem(QStringList(QString()));
    placeholder->setIcon(0, FolderIcon());
    placeholder->setFlags(Qt::ItemIsEnabled);
    item->addChild(placeholder);
}

const QIcon& CFolderTree::FolderIcon() {
    // Looked up once: the style makes the icon anew at every request.
    if (folder_icon_.isNull()) folder_icon_ = style()->standardIcon(QStyle::SP_DirIcon);
    return folder_icon_;
}
