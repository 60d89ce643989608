// The folder tree.
#include "catalogue/scan/TFolderTree.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

#include "platform/Directory.h"
#include "platform/Text.h"
#include "ui/SlotBarrier.h"

namespace sorvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

} // namespace

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Guarded([&] { Fill(item); }); });
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

void TFolderTree::Fill(QTreeWidgetItem* item) {
    if (item->data(0, kFilledRole).toBool()) return;
    item->setData(0, kFilledRole, true);
    std::string folder = PathOf(item);
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : ListDirectory(folder))
        if (entry.isDirectory) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    if (folder.back() != '/') folder += '/';
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    for (const std::string& name : names) {
        auto* child = new QTreeWidgetItem(item);
        child->setText(0, QString::fromStdString(text::AsUtf8(name)));
        child->setData(0, kPathRole, QByteArray::fromStdString(folder + name));
        child->setIcon(0, icon);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (names.empty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
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

std::string TFolderTree::CurrentPath() const { return PathOf(currentItem()); }

} // namespace sorvane
