// Paths of this machine are shown as Linux writes them, through the drive
// map: the description editor's item line, for a disk and for a folder
// catalogue; a letter that stands for no folder here keeps the drive form.
// (The folder-cataloguing window's box and the missing-exclusion message are
// read back in the cataloguing and operations tests.)
#include "catalogue/format/LineBuilders.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/CataloguePath.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/StringGrid.h"

#include <QPlainTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

class LocalPathsTest : public WindowTestRoot {
protected:
    // Drive R stands for base/disk; the catalogues: Disk, of the whole drive,
    // Docs, of its folder "docs", and Away, of a drive that stands for no
    // folder here.
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("paths"));
        disk_ = base_ / "disk";
        fs::create_directories(disk_ / "docs");
        root_ = base_ / "root";
        fs::create_directories(root_);
        ::setenv("SORVANE_DRIVES", ("R=" + disk_.string()).c_str(), 1);
        for (char letter = 'Z'; letter > 'C' && away_ == 0; --letter)
            if (ToHostPath(std::string(1, letter) + ":\\").empty()) away_ = letter;
        ASSERT_NE(away_, 0) << "every letter stands for a folder";
        const std::string away = std::string(1, away_) + ":\\";
        Enter(root_);
        WriteLines(root_ / "Disk.tct",
                   {LineaCabecera("Disk", "H.D.", "0000-0000", "R:\\", "", 5, 1, 2, ""),
                    FolderLine("R:\\"), FileLine("caf\xC3\xA9.txt", 1), FolderLine("R:\\Music\\"),
                    FileLine("song.mp3", 2)});
        WriteLines(root_ / "Docs.tct",
                   {LineaCabecera("Docs", "Dirs", "0000-0000", "R:\\docs", "", 3, 1, 2, ""),
                    FolderLine("R:\\"), FileLine("x.txt", 1)});
        WriteLines(root_ / "Away.tct",
                   {LineaCabecera("Away", "CD-ROM", "0000-0000", away, "", 5, 1, 2, ""),
                    FolderLine(away), FileLine("far.txt", 1)});
        recorder_.onDialog = [this](QDialog& window) {
            if (&window == FCambiarDescripcion) {
                window.show();
                shown_ = FCambiarDescripcion->MNombre->toPlainText().toStdString();
                window.hide();
            }
            return static_cast<int>(QDialog::Rejected);
        };
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
    }
    void TearDown() override {
        WindowTestRoot::TearDown();
        ::unsetenv("SORVANE_DRIVES");
    }

    // The item line of the description editor opened on `name` in `node`.
    std::string ItemLine(const char* node, const std::string& name) {
        FPrincipal->Arbol->setCurrentItem(TreeNode(node));
        TStringGrid& grid = *FPrincipal->SGDirectorio;
        for (int row = 1; row < grid.RowCount(); ++row)
            if (grid.Cells(2, row) == name) grid.SetCurrentCell(2, row);
        shown_.clear();
        FPrincipal->SBDescripcion->click();
        return shown_;
    }

    fs::path base_, disk_;
    char away_ = 0;
    std::string shown_;
};

TEST_F(LocalPathsTest, TheDescriptionEditorShowsTheItemAsLinuxWritesIt) {
    EXPECT_EQ(ItemLine("Disk", "caf\xC3\xA9.txt"), (disk_ / "caf\xC3\xA9.txt").string());
    EXPECT_EQ(ItemLine("Disk", "Music\\"), (disk_ / "Music").string() + "/");
    EXPECT_EQ(ItemLine("Disk/Music", "song.mp3"), (disk_ / "Music" / "song.mp3").string());
    // A folder catalogue's entries lie below its folder.
    EXPECT_EQ(ItemLine("Docs", "x.txt"), (disk_ / "docs" / "x.txt").string());
}

TEST_F(LocalPathsTest, ALetterWithoutAFolderHereKeepsTheDriveForm) {
    EXPECT_EQ(ItemLine("Away", "far.txt"), std::string(1, away_) + ":\\far.txt");
}

} // namespace
} // namespace sorvane
