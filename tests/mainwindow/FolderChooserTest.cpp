// The folder trees of the folder picker and the folder cataloguing window show
// folders made or removed while they are shown: a branch is read again each
// time it is opened, and Refresh (the picker's button, or F5) reads again every
// folder read so far.
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFSelectFolder.h"
#include "catalogue/scan/TFolderTree.h"
#include "tests/mainwindow/WindowTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidgetItem>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

using namespace windowtest;

class FolderChooserTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("root");
        OpenWindows();
        Activate();
        tree_ = OwnedTempFolder("chooser");
        fs::create_directories(tree_ / "a");
    }

    // The item of `folder`, found from the root as the user would open it.
    static QTreeWidgetItem* ItemOf(TFolderTree& tree, const fs::path& folder) {
        if (!tree.SelectPath(folder.string())) return nullptr;
        return tree.currentItem();
    }

    static std::vector<std::string> Children(const QTreeWidgetItem* item) {
        std::vector<std::string> names;
        for (int i = 0; i < item->childCount(); ++i)
            names.push_back(item->child(i)->text(0).toStdString());
        return names;
    }

    static void Reopen(QTreeWidgetItem* item) {
        item->setExpanded(false);
        item->setExpanded(true);
    }

    fs::path tree_;
};

TEST_F(FolderChooserTest, PickerShowsFoldersMadeAfterItOpened) {
    FSelectFolder->Empieza(tree_.string());
    FSelectFolder->show();
    TFolderTree& tree = *FSelectFolder->DLBFolders;
    QTreeWidgetItem* item = ItemOf(tree, tree_);
    ASSERT_NE(item, nullptr);
    item->setExpanded(true);
    EXPECT_EQ(Children(item), (std::vector<std::string>{"a"}));

    // Made and removed while the picker is shown: closing and opening the branch shows it.
    fs::create_directories(tree_ / "b");
    fs::create_directories(tree_ / "0");
    Reopen(item);
    EXPECT_EQ(Children(item), (std::vector<std::string>{"0", "a", "b"}));
    fs::remove(tree_ / "0");
    Reopen(item);
    EXPECT_EQ(Children(item), (std::vector<std::string>{"a", "b"}));

    // The refresh button reads open branches again without closing them, and a
    // folder found empty before gets its new sub-folder; the selection stays.
    QTreeWidgetItem* a = ItemOf(tree, tree_ / "a");
    ASSERT_NE(a, nullptr);
    a->setExpanded(true);
    EXPECT_EQ(a->childCount(), 0);
    EXPECT_EQ(a->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    fs::create_directories(tree_ / "a" / "deep");
    fs::create_directories(tree_ / "c");
    EXPECT_FALSE(FSelectFolder->BBActualizar->text().isEmpty());
    FSelectFolder->BBActualizar->click();
    EXPECT_EQ(Children(item), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(item->child(0), a);
    EXPECT_EQ(Children(a), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(tree.CurrentPath(), (tree_ / "a").string());
    FSelectFolder->hide();
}

TEST_F(FolderChooserTest, FolderWindowTreeRefreshesOnF5) {
    TFolderTree& tree = *FCrearCarpeta->ShellTreeView1;
    QTreeWidgetItem* item = ItemOf(tree, tree_);
    ASSERT_NE(item, nullptr);
    item->setExpanded(true);
    EXPECT_EQ(Children(item), (std::vector<std::string>{"a"}));
    fs::create_directories(tree_ / "new one");
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&tree, &f5);
    EXPECT_EQ(Children(item), (std::vector<std::string>{"a", "new one"}));
}

} // namespace
} // namespace sorvane
