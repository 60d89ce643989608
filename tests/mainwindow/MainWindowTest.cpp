// The main window started on a temporary catalogue root: the tree of
// collections and catalogues, the directory grid, the status texts, damaged
// catalogues reported and left out, and the guards of a busy window.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/ProgressCyl.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

// A header with its own type, free and used space.
std::string Header(const std::string& name, char type, std::int64_t free, std::int64_t used) {
    return std::string(":") + type + "E" + "1A2B-3C4D" + PadLeftToWidth(CodificaInt64(free), 7) +
           PadLeftToWidth(CodificaInt64(used), 7) + PadLeftToWidth("5", 10) +
           PadRightToWidth("MYDISK", 20) + kMediaBracket + name + kMediaBracket +
           kDescriptionBracket + "\\" + kDescriptionBracket;
}

class MainWindowTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("root");
        OpenWindows();
    }

    // A root with a collection holding a sub-collection, good catalogues, an
    // old-form catalogue and three damaged ones.
    void BuildRoot() {
        fs::create_directories(root_ / "Music" / "Live");
        fs::create_directories(root_ / "Empty");
        WriteLines(root_ / "Backup.tct",
                   {Header("Backup", '3', 1000, 3000), CountedFolderLine("\\", 3),
                    FileLine("readme.txt", 123),
                    FileLine("photo.JPG", 2048, kDos2001, kDos2001,
                             Media(PadLeftToWidth(CodificaEntero(640), 3) +
                                   PadLeftToWidth(CodificaEntero(480), 3) + CodificaEntero(24))),
                    FileLine("big.iso", 3'000'000'000ULL), CountedFolderLine("\\docs", 1, "Papers"),
                    FileLine("a.doc", 10), CountedFolderLine("\\docs\\old", 0),
                    CountedFolderLine("\\src", 0)});
        WriteLines(root_ / "Music" / "Albums.tct",
                   {Header("Albums", '0', 0, 500), CountedFolderLine("\\", 0)});
        WriteLines(root_ / "Music" / "Live" / "Concert.TCT",
                   {Header("Concert", 'M', 10, 10), CountedFolderLine("\\", 0)});
        WriteLines(root_ / "Music" / "Wrong.tct",
                   {Header("Other name", '0', 0, 0), CountedFolderLine("\\", 0)});
        std::ofstream(root_ / "Music" / "Nothing.tct").flush();
        std::ofstream(root_ / "Music" / "Cut.tct", std::ios::binary)
            << Header("Cut", '0', 0, 0).substr(0, 30);
        WriteLines(root_ / "Music" / "notes.txt", {"not a catalogue"});
        const std::string old = PadRightToWidth("Oldie", 128) + "2" + "0A0B-0C0D" +
                                PadLeftToWidth("777", 14) + PadLeftToWidth("5", 10) +
                                PadRightToWidth("OLD", 14) + "F" + " " + "\\";
        WriteLines(root_ / "Oldie.tct", {old, CountedFolderLine("\\", 0)});
    }

    std::vector<std::string> Column(int col) { return GridColumn(*FPrincipal->SGDirectorio, col); }

    std::string Panel(TStatusBar* bar, int i) { return bar->Panels(i).Text().toStdString(); }
};

TEST_F(MainWindowTest, EmptyRootGivesEmptyTreeAndZeroCounters) {
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
    EXPECT_EQ(FPrincipal->Arbol->topLevelItemCount(), 0);
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 0), "0:0");
    // Nothing is selected: a first catalogue or collection goes to the top.
    EXPECT_TRUE(FPrincipal->SBNuevoDisco->isEnabled());
    EXPECT_TRUE(FPrincipal->SBNuevaCarpeta->isEnabled());
    EXPECT_TRUE(FPrincipal->SBNuevaColeccion->isEnabled());
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(FPrincipal->BaseFolder, fs::canonical(root_).string() + "/");
    EXPECT_EQ(FPrincipal->ProgramFolder, SORVANE_PROGRAM_DIR "/");
}

TEST_F(MainWindowTest, MissingEnglishFileEndsTheStart) {
    FPrincipal->ProgramFolderOverride = root_.string() + "/";
    FPrincipal->FormActivate();
    EXPECT_TRUE(FPrincipal->StartupFailed());
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], "SYSTEM: Fatal error. English.ini not found.");
}

TEST_F(MainWindowTest, LoadsGoodCataloguesAndReportsDamagedOnes) {
    BuildRoot();
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());

    // Collections and catalogues, sorted; the damaged ones are left out.
    ASSERT_NE(TreeNode("Backup"), nullptr);
    ASSERT_NE(TreeNode("Oldie"), nullptr);
    ASSERT_NE(TreeNode("Empty"), nullptr);
    ASSERT_NE(TreeNode("Music/Albums"), nullptr);
    ASSERT_NE(TreeNode("Music/Live/Concert"), nullptr);
    EXPECT_EQ(TreeNode("Music/Wrong"), nullptr);
    EXPECT_EQ(TreeNode("Music/Nothing"), nullptr);
    EXPECT_EQ(TreeNode("Music/Cut"), nullptr);
    QStringList top;
    for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
        top << FPrincipal->Arbol->topLevelItem(i)->text(0);
    EXPECT_EQ(top, QStringList({"Backup", "Empty", "Music", "Oldie"}));

    // Three messages: the name mismatch, the empty file and the truncated one.
    ASSERT_EQ(recorder_.messages.size(), 3u);
    int mismatches = 0, internal = 0;
    for (const std::string& m : recorder_.messages) {
        if (m.find("Wrong.tct") != std::string::npos && m.find("CargaFichero") == std::string::npos)
            ++mismatches;
        if (m.find(" CargaFichero(): ") != std::string::npos) ++internal;
    }
    EXPECT_EQ(mismatches, 1);
    EXPECT_EQ(internal, 2);

    // The old catalogue was upgraded with a backup beside it.
    EXPECT_TRUE(fs::exists(root_ / "Oldie.bak"));
    // 9 + 2 + 2 + 2 lines less one header each; 4 catalogues.
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 0), "11:4");
}

// Catalogues are read ahead on worker threads (the largest first) and hung into
// the tree in tree order: the messages of damaged catalogues come in tree order
// (a folder's catalogues before its sub-folders), whichever read ends first.
TEST_F(MainWindowTest, DamagedCataloguesAreReportedInTreeOrder) {
    fs::create_directories(root_ / "A" / "B" / "C" / "D");
    std::ofstream(root_ / "First.tct").flush(); // empty
    WriteLines(root_ / "A" / "Second.tct",
               {Header("Not second", '3', 0, 0), CountedFolderLine("\\", 0)});
    std::vector<std::string> big = {Header("Big", '3', 0, 0), CountedFolderLine("\\", 60'000)};
    for (int i = 0; i < 60'000; ++i)
        big.push_back(FileLine("file " + std::to_string(i) + ".txt", i));
    WriteLines(root_ / "A" / "B" / "Big.tct", big); // read first, ends last
    std::ofstream(root_ / "A" / "B" / "C" / "Third.tct", std::ios::binary)
        << Header("Third", '0', 0, 0).substr(0, 30);
    fs::create_symlink(root_ / "nowhere.tct",
                       root_ / "A" / "B" / "C" / "D" / "Fourth.tct"); // cannot be opened
    WriteLines(root_ / "A" / "B" / "C" / "D" / "Fifth.tct",
               {Header("Fifth", 'M', 0, 0), CountedFolderLine("\\", 0)});

    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
    ASSERT_EQ(recorder_.messages.size(), 4u);
    const std::string internal = CapitalizeFirst(InternalErrorWord()) + " CargaFichero(): ";
    const std::string base = fs::canonical(root_).string() + "/";
    EXPECT_EQ(recorder_.messages[0], internal + base + "First.tct\r\nEmpty catalogue file");
    EXPECT_EQ(recorder_.messages[1],
              LeeTexto("M", "M_NOMBRE_CORRUPTO") + " " + base + "A/Second.tct");
    const auto start = [&](std::size_t i, const std::string& text) {
        EXPECT_EQ(recorder_.messages[i].substr(0, text.size()), text);
    };
    start(2, internal + base + "A/B/C/Third.tct\r\n");
    start(3, internal + base + "A/B/C/D/Fourth.tct\r\nCannot open");
    ASSERT_NE(TreeNode("A/B/Big"), nullptr);
    ASSERT_NE(TreeNode("A/B/C/D/Fifth"), nullptr);
    EXPECT_EQ(FPrincipal->Arbol->topLevelItemCount(), 1);
    // 60,001 lines of Big and one of Fifth, headers left out; two catalogues.
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 0), "60,002:2");
}

// A symbolic link to a folder, inside the root or out of it, is neither a
// collection nor a way to more catalogues.
TEST_F(MainWindowTest, FolderLinksUnderTheRootAreNotFollowed) {
    fs::create_directories(root_ / "Real");
    WriteLines(root_ / "Real" / "Inside.tct",
               {Header("Inside", '3', 0, 0), CountedFolderLine("\\", 0)});
    const fs::path outside = OwnedTempFolder("outside");
    WriteLines(outside / "Outside.tct", {Header("Outside", '3', 0, 0), CountedFolderLine("\\", 0)});
    fs::create_directory_symlink(root_ / "Real", root_ / "Again");
    fs::create_directory_symlink(outside, root_ / "Elsewhere");

    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
    EXPECT_TRUE(recorder_.messages.empty());
    ASSERT_EQ(FPrincipal->Arbol->topLevelItemCount(), 1);
    EXPECT_NE(TreeNode("Real/Inside"), nullptr);
    EXPECT_EQ(TreeNode("Again"), nullptr);
    EXPECT_EQ(TreeNode("Elsewhere"), nullptr);
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 0), "1:1");
}

// A FIFO and a link to a device named as catalogues never stop the start: each
// is reported once as not a catalogue file and the others load.
TEST_F(MainWindowTest, AFifoOrADeviceInTheRootIsReportedAndSkipped) {
    WriteLines(root_ / "Good.tct", {Header("Good", '3', 0, 0), CountedFolderLine("\\", 0)});
    ASSERT_EQ(::mkfifo((root_ / "Fifo.tct").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", root_ / "Zero.tct");
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
    EXPECT_NE(TreeNode("Good"), nullptr);
    EXPECT_EQ(TreeNode("Fifo"), nullptr);
    EXPECT_EQ(TreeNode("Zero"), nullptr);
    ASSERT_EQ(recorder_.messages.size(), 2u);
    std::sort(recorder_.messages.begin(), recorder_.messages.end());
    EXPECT_NE(recorder_.messages[0].find("Fifo.tct"), std::string::npos) << recorder_.messages[0];
    EXPECT_NE(recorder_.messages[1].find("Zero.tct"), std::string::npos) << recorder_.messages[1];
    for (const std::string& m : recorder_.messages)
        EXPECT_NE(m.find("not a regular file"), std::string::npos) << m;
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 0), "1:1");
}

TEST_F(MainWindowTest, CollectionListsItsChildren) {
    BuildRoot();
    FPrincipal->FormActivate();
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Albums\\", "Live\\"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Catalogue", "Collection"}));
    EXPECT_EQ(FPrincipal->CollectionPath, "Music");
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 1), "1 collections, 1 catalogues");
    EXPECT_TRUE(FPrincipal->SBNuevoDisco->isEnabled());
    EXPECT_FALSE(FPrincipal->SBRecatalogar->isEnabled());
    EXPECT_FALSE(FPrincipal->DiskGauge->isVisible());
}

TEST_F(MainWindowTest, CatalogueRootListsFoldersThenFiles) {
    BuildRoot();
    FPrincipal->FormActivate();
    QTreeWidgetItem* backup = TreeNode("Backup");
    FPrincipal->Arbol->setCurrentItem(backup);
    EXPECT_EQ(Column(2),
              (std::vector<std::string>{"docs\\", "src\\", "readme.txt", "photo.JPG", "big.iso"}));
    EXPECT_EQ(Column(3)[2], "123");
    EXPECT_EQ(Column(3)[4], "3,000,000,000");
    EXPECT_EQ(Column(7)[3], "JPG");
    EXPECT_EQ(Column(9)[3], "640x480");
    EXPECT_EQ(Column(10)[3], "24b");
    EXPECT_EQ(Column(6)[3], "#A");
    EXPECT_EQ(Column(1)[0], "Papers");
    EXPECT_EQ(FPrincipal->CurrentFolderPath, "\\");
    EXPECT_EQ(FPrincipal->CurrentFileCount, 3);
    EXPECT_EQ(FPrincipal->CurrentSubfolderCount, 2);
    EXPECT_EQ(FPrincipal->CurrentLineIndex, 1);
    EXPECT_EQ(FPrincipal->DiskGauge->Position(), 75);
    {
        // The shaded cylinder: blue where the disk is used, magenta where it is free.
        TProgressCyl& gauge = *FPrincipal->DiskGauge;
        const QImage picture = gauge.grab().toImage();
        const int row = picture.height() / 2 - 2, b = 4;
        const QColor used = picture.pixelColor(b + 1, row);
        const QColor free = picture.pixelColor(picture.width() - b - 2, row);
        EXPECT_GT(used.blue(), 2 * used.red());
        EXPECT_GT(free.red(), 2 * free.green());
        EXPECT_GT(free.blue(), 2 * free.green());
        EXPECT_LT(gauge.FillEnd(), picture.width() - b);
        EXPECT_GT(gauge.FillEnd(), picture.width() / 2);
    }
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 1), "2 folders, 3 files, 2,861 MB");
    EXPECT_EQ(Panel(FPrincipal->SBArbol, 0), "7, 3,000 bytes, MYDISK, 1A2B-3C4D");
    EXPECT_TRUE(FPrincipal->SBNuevoDisco->isEnabled()); // a top-level catalogue
    // The folder nodes were created once, sorted.
    ASSERT_EQ(backup->childCount(), 2);
    EXPECT_EQ(backup->child(0)->text(0), "docs");

    // A second visit creates no duplicate folder nodes.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    FPrincipal->Arbol->setCurrentItem(backup);
    EXPECT_EQ(backup->childCount(), 2);
}

TEST_F(MainWindowTest, FolderListsItsOwnContents) {
    BuildRoot();
    FPrincipal->FormActivate();
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backup"));
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backup/docs"));
    EXPECT_EQ(FPrincipal->CurrentFolderPath, "\\docs");
    EXPECT_EQ(Column(2), (std::vector<std::string>{"old\\", "a.doc"}));
    EXPECT_TRUE(FPrincipal->SBPadre->isEnabled());
    FPrincipal->BBPadreClick();
    EXPECT_EQ(FPrincipal->Arbol->currentItem(), TreeNode("Backup"));

    // A folder without files shows zero files and a zero size.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backup/src"));
    EXPECT_EQ(Panel(FPrincipal->SBPrincipal, 1), "0 folders, 0 files, 0 bytes");
    EXPECT_EQ(FPrincipal->SGDirectorio->RowCount(), 2);
    EXPECT_FALSE(FPrincipal->SBDescripcion->isEnabled());
}

TEST_F(MainWindowTest, DoubleClickOnAFolderRowOpensIt) {
    BuildRoot();
    FPrincipal->FormActivate();
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backup"));
    FPrincipal->SGDirectorio->SetCurrentCell(2, 1);
    FPrincipal->SGDirectorioDblClick();
    EXPECT_EQ(FPrincipal->Arbol->currentItem(), TreeNode("Backup/docs"));
}

TEST_F(MainWindowTest, BusyWindowRefusesCloseTreeAndPageChanges) {
    BuildRoot();
    FPrincipal->FormActivate();
    QTreeWidgetItem* backup = TreeNode("Backup");
    FPrincipal->Arbol->setCurrentItem(backup);
    FPrincipal->BusyFlag = true;
    EXPECT_FALSE(FPrincipal->FormCloseQuery());
    EXPECT_EQ(recorder_.questions.size(), 0u);
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    EXPECT_EQ(FPrincipal->Arbol->currentItem(), backup);
    FPrincipal->PCMain->setCurrentIndex(1);
    EXPECT_EQ(FPrincipal->PCMain->currentIndex(), 0);
    FPrincipal->BusyFlag = false;

    recorder_.answer = false;
    EXPECT_FALSE(FPrincipal->FormCloseQuery());
    EXPECT_EQ(recorder_.questions.size(), 1u);
    recorder_.answer = true;
    EXPECT_TRUE(FPrincipal->FormCloseQuery());
}

TEST_F(MainWindowTest, ErrorWindowShowsOnlyWithLinesAndCopies) {
    FPrincipal->FormActivate();
    int shown = 0;
    SetModalHooks({[&](QDialog& dialog) {
                       if (&dialog == FErrores) ++shown;
                       return 1;
                   },
                   {},
                   {}});
    FErrores->MuestraSiHayErrores("title");
    EXPECT_EQ(shown, 0);
    FErrores->BCopiarClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "");
    FErrores->Agrega("ReadMP3 failure on /a.mp3: bad");
    FErrores->Agrega("second");
    FErrores->MuestraSiHayErrores("title");
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(FErrores->windowTitle(), "title");
    FErrores->BCopiarClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "ReadMP3 failure on /a.mp3: bad\nsecond");
}

TEST_F(MainWindowTest, ClusterSizeTexts) {
    struct Case {
        const char* text;
        int bytes;
    };
    for (const Case& c : {Case{"512 bytes", 512}, Case{"1024 bytes (1k)", 1024},
                          Case{"65536 bytes (64k)", 65536}, Case{"nonsense", 512}})
        EXPECT_EQ(TFPrincipal::ObtieneTamanoCluster(c.text), c.bytes) << c.text;
}

TEST_F(MainWindowTest, MessageWindowShowsTheLatestText) {
    FPrincipal->MuestraMensaje("first");
    FPrincipal->MuestraMensaje(
        "a much longer second text that must wrap inside the fixed label of the window");
    ASSERT_EQ(recorder_.messages.size(), 2u);
    EXPECT_EQ(recorder_.messages[1].substr(0, 6), "a much");
    EXPECT_TRUE(FMensajes->LMensaje->wordWrap());
}

} // namespace
} // namespace sorvane
