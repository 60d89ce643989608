// The folder tree.
#include "catalogue/scan/TFolderTree.h"

#include "platform/Directory.h"
#include "platform/Text.h"
#include "ui/SlotBarrier.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

namespace sorvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

} // namespace

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { Guarded([&] { Fill(item); }); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { Fire(OnChange); });
}

std::string TFolderTree::PathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toByteArray().toStdString() : std::string();
}

void TFolderTree::SetRoot(const std::string& root) {
    clear();
    root_ = root;
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, QString::fromStdString(root));
    item->setData(0, kPathRole, QByteArray::fromStdString(root));
    item->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

// Lists the folder's sub-folders into its children, sorted by their bytes:
// children still there are kept (with whatever is open below them), gone ones
// are removed and new ones put in their place.
void TFolderTree::Fill(QTreeWidgetItem* item) {
    item->setData(0, kFilledRole, true);
    std::string folder = PathOf(item);
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : ListDirectory(folder))
        if (entry.isDirectory) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    if (folder.back() != '/') folder += '/';
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    int i = 0;
    std::size_t n = 0;
    while (i < item->childCount() || n < names.size()) {
        if (i < item->childCount()) {
            const std::string child = PathOf(item->child(i));
            const std::string name = child.substr(child.rfind('/') + 1);
            if (n == names.size() || name < names[n]) {
                delete item->takeChild(i);
                continue;
            }
            if (name == names[n]) {
                ++i;
                ++n;
                continue;
            }
        }
        auto* child = new QTreeWidgetItem;
        child->setText(0, QString::fromStdString(text::AsUtf8(names[n])));
        child->setData(0, kPathRole, QByteArray::fromStdString(folder + names[n]));
        child->setIcon(0, icon);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        item->insertChild(i, child);
        ++i;
        ++n;
    }
    item->setChildIndicatorPolicy(names.empty() ? QTreeWidgetItem::DontShowIndicator
                                                : QTreeWidgetItem::ShowIndicator);
}

void TFolderTree::Refresh() {
    if (QTreeWidgetItem* root = topLevelItem(0)) RefreshBelow(root);
}

// The folder first, so that the children gone with it are not visited.
void TFolderTree::RefreshBelow(QTreeWidgetItem* item) {
    if (!item->data(0, kFilledRole).toBool()) return;
    Fill(item);
    for (int i = 0; i < item->childCount(); ++i)
        RefreshBelow(item->child(i));
}

void TFolderTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        Guarded([this] { Refresh(); });
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool TFolderTree::SelectPath(const std::string& path) {
    QTreeWidgetItem* item = topLevelItem(0);
    if (item == nullptr) return false;
    std::string rootWithSlash = root_.back() == '/' ? root_ : root_ + "/";
    if (path != root_ && path.rfind(rootWithSlash, 0) != 0) return false;
    std::string rest = path == root_ ? std::string() : path.substr(rootWithSlash.size());
    while (!rest.empty()) {
        Fill(item);
        item->setExpanded(true);
        const std::size_t slash = rest.find('/');
        const std::string part = rest.substr(0, slash);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        if (part.empty()) continue;
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && next == nullptr; ++i) {
            const std::string child = PathOf(item->child(i));
            if (child.substr(child.rfind('/') + 1) == part) next = item->child(i);
        }
        if (next == nullptr) return false;
        item = next;
    }
    setCurrentItem(item);
    return true;
}

std::string TFolderTree::CurrentPath() const {
    return PathOf(currentItem());
}

} // namespace sorvane
