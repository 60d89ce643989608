// The collector: entries of two catalogues of two disks (drives X and Y
// pinned by SORVANE_DRIVES to temporary folders) added from the directory grid
// and the result grid, their counts, the duplicate test, the estimate for
// every cluster size, the copy compared byte for byte with the disks, a disk
// missing during the run, a target that fills up, the refusals, the rows that
// must never be copied (a catalogue no longer loaded, a FIFO, a link leading
// out, a ".." step, a folder copied into itself), the window locked during a
// run, and collector files saved, opened and merged.
#include "app/StandingWindows.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFColectorMensaje.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/AtomicFileFault.h"
#include "tests/platform/FakeProgram.h"
#include "ui/CheckBox.h"
#include "ui/GridRoutines.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using sorvane::testing::ScopedEnv;
using namespace windowtest;
using C = TFColector::Column;

constexpr const char* kAlreadyIn = "This item is already in the collector.";
constexpr const char* kNotFound =
    "The file or folder cannot be found. Is the right disk in the drive?";

std::string Bytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every regular file below `folder`, by its path relative to it.
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = Read(entry.path());
    return files;
}

std::string DiskHeader(const std::string& name, char letter) {
    return LineaCabecera(name, "H.D.", "0000-0000", std::string(1, letter) + ":\\", "LABEL", 3, 100,
                         200, "");
}

std::string FolderHeader(const std::string& name, const std::string& source) {
    return LineaCabecera(name, "Dirs", "0000-0000", source, "LABEL", 3, 0, 200, "");
}

class CollectorTest : public WindowTestRoot {
protected:
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("sorvane-collector"));
        root_ = base_ / "root";
        diskA_ = base_ / "diskA";
        diskB_ = base_ / "diskB";
        out_ = base_ / "out";
        fs::create_directories(root_ / "Coll");
        // Disk A, catalogued whole as "Alpha" on drive X.
        Put(diskA_ / "readme.txt", Bytes(100, 1));
        Put(diskA_ / "empty.dat", "");
        Put(diskA_ / "docs" / "a.doc", Bytes(5000, 2));
        Put(diskA_ / "docs" / "old" / "b.txt", Bytes(4096, 3));
        Put(diskA_ / "docs" / ".hidden", "not listed");
        Put(diskA_ / "docsarchive" / "c.txt", Bytes(50, 4));
        Put(diskA_ / "photos" / "p1.jpg", Bytes((3u << 20) + 17, 5));
        // Disk B, of which the folder catalogue "Beta" holds Y:\Music.
        Put(diskB_ / "Music" / "song.mp3", Bytes(20000, 6));
        Put(diskB_ / "Music" / "Live" / "live.mp3", Bytes(70000, 7));
        Put(diskB_ / "Music" / "Live" / "deep" / "d.txt", Bytes(10, 8));
        Put(diskB_ / "other.txt", "not catalogued");
        WriteLines(root_ / "Alpha.tct",
                   {DiskHeader("Alpha", 'X'), CountedFolderLine("\\", 2), FileLine("empty.dat", 0),
                    FileLine("readme.txt", 100), CountedFolderLine("\\docs", 1),
                    FileLine("a.doc", 5000), CountedFolderLine("\\docs\\old", 1),
                    FileLine("b.txt", 4096), CountedFolderLine("\\docsarchive", 1),
                    FileLine("c.txt", 50), CountedFolderLine("\\photos", 1),
                    FileLine("p1.jpg", (3u << 20) + 17)});
        WriteLines(root_ / "Beta.tct",
                   {FolderHeader("Beta", "Y:\\Music"), CountedFolderLine("\\", 1),
                    FileLine("song.mp3", 20000), CountedFolderLine("\\Live", 1),
                    FileLine("live.mp3", 70000), CountedFolderLine("\\Live\\deep", 1),
                    FileLine("d.txt", 10)});
        WriteLines(
            root_ / "Coll" / "Gamma.tct",
            {DiskHeader("Gamma", 'X'), CountedFolderLine("\\", 1), FileLine("readme.txt", 100)});
        PinDrives(true);
        Enter(root_);
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        ASSERT_TRUE(recorder_.messages.empty());
        grid_ = FColector->SGColector;
    }

    void TearDown() override {
        if (mounted_) ::umount2(out_.c_str(), MNT_DETACH);
        WindowTestRoot::TearDown();
    }

    // Drive X always; drive Y only when `withB`.
    void PinDrives(bool withB) {
        drives_.reset();
        std::string pins = "X=";
        pins += diskA_.string();
        if (withB) pins.append(";Y=").append(diskB_.string());
        drives_.emplace("SORVANE_DRIVES", pins);
    }

    // Selects the tree node at `path` ("Alpha", "Alpha/docs") and the grid row named `name`.
    void Select(const QString& path, const std::string& name) {
        QTreeWidgetItem* node = TreeNode(path);
        ASSERT_NE(node, nullptr) << path.toStdString();
        FPrincipal->Arbol->setCurrentItem(node);
        TStringGrid& grid = *FPrincipal->SGDirectorio;
        for (int row = 1; row < grid.RowCount(); ++row) {
            if (grid.Cells(2, row) == name) {
                grid.SetCurrentCell(2, row);
                FPrincipal->ActivaBotonesDirectorio(row);
                return;
            }
        }
        FAIL() << "no row " << name;
    }

    // Adds the row `name` of the folder `path` through the button.
    void Add(const QString& path, const std::string& name) {
        ASSERT_NO_FATAL_FAILURE(Select(path, name));
        ASSERT_TRUE(FPrincipal->SBAddColector->isEnabled());
        FPrincipal->SBAddColector->click();
    }

    // Searches for `text` and adds the hit named `name` through the search page's button.
    void AddHit(const std::string& text, const std::string& name) {
        FPrincipal->EBuscar->setText(QString::fromStdString(text));
        FPrincipal->BBuscarClick();
        TStringGrid& hits = *FPrincipal->SGResultados;
        for (int row = 1; row < hits.RowCount(); ++row) {
            if (hits.Cells(5, row) == name) {
                hits.SetCurrentCell(5, row);
                FPrincipal->SGResultadosClick();
                ASSERT_TRUE(FPrincipal->SBAddColectorBuscar->isEnabled());
                FPrincipal->SBAddColectorBuscar->click();
                return;
            }
        }
        FAIL() << "no hit " << name;
    }

    // A row written straight into the basket: catalogue, folder, name, size
    // text and the three counts.
    void Row(const std::string& catalogue, const std::string& folder, const std::string& name,
             std::uint64_t files, std::uint64_t bytes, std::uint64_t folders) {
        const int row = FColector->FilaNueva();
        std::vector<std::string> cells(TFColector::kColumns);
        cells[C::kColCatalogue] = catalogue;
        cells[C::kColFolder] = folder;
        cells[C::kColName] = name;
        if (name.back() != '\\')
            cells[C::kColSize] = FormatThousands(static_cast<std::int64_t>(bytes));
        cells[C::kColFiles] = std::to_string(files);
        cells[C::kColBytes] = std::to_string(bytes);
        cells[C::kColFolders] = std::to_string(folders);
        grid_->SetRowCells(row, cells);
        FColector->CalculaTotales();
    }

    // The basket of the main copy: files and folders of both catalogues.
    void FullBasket() {
        ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
        ASSERT_NO_FATAL_FAILURE(Add("Alpha", "empty.dat"));
        ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
        ASSERT_NO_FATAL_FAILURE(Add("Alpha", "photos\\"));
        ASSERT_NO_FATAL_FAILURE(Add("Beta", "Live\\"));
        ASSERT_NO_FATAL_FAILURE(AddHit("song", "song.mp3"));
    }

    void Copy(const fs::path& destination) {
        FColector->EDestino->setText(QString::fromStdString(destination.string()));
        FColector->SBCopiarClick();
    }

    std::string Errors() const { return FErrores->MErrores->toPlainText().toStdString(); }
    std::string Status() const { return FPrincipal->SBPrincipal->Panels(1).Text().toStdString(); }

    // What a full copy of FullBasket() leaves in the destination.
    std::map<std::string, std::string> Expected() const {
        return {{"readme.txt", Read(diskA_ / "readme.txt")},
                {"empty.dat", ""},
                {"docs/a.doc", Read(diskA_ / "docs/a.doc")},
                {"docs/old/b.txt", Read(diskA_ / "docs/old/b.txt")},
                {"photos/p1.jpg", Read(diskA_ / "photos/p1.jpg")},
                {"Music/Live/live.mp3", Read(diskB_ / "Music/Live/live.mp3")},
                {"Music/Live/deep/d.txt", Read(diskB_ / "Music/Live/deep/d.txt")},
                {"song.mp3", Read(diskB_ / "Music/song.mp3")}};
    }

    fs::path base_, diskA_, diskB_, out_;
    std::optional<ScopedEnv> drives_;
    TStringGrid* grid_ = nullptr;
    bool mounted_ = false;
};

TEST_F(CollectorTest, AdditionsCarryTheRowAndItsCounts) {
    // The first addition fills the empty row.
    ASSERT_EQ(grid_->RowCount(), 2);
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    EXPECT_EQ(grid_->RowCount(), 2);
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "empty.dat"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "photos\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Beta", "Live\\"));
    ASSERT_NO_FATAL_FAILURE(AddHit("song", "song.mp3"));
    struct Expect {
        const char* catalogue;
        const char* folder;
        const char* name;
        const char* files;
        const char* bytes;
        const char* folders;
    } const expected[] = {
        {"Alpha", "\\", "readme.txt", "1", "100", "0"},
        {"Alpha", "\\", "empty.dat", "1", "0", "0"},
        {"Alpha", "\\", "docs\\", "2", "9096", "2"},
        {"Alpha", "\\", "photos\\", "1", "3145745", "1"},
        {"Beta", "\\", "Live\\", "2", "70010", "2"},
        {"Beta", "\\", "song.mp3", "1", "20000", "0"},
    };
    ASSERT_EQ(grid_->RowCount(), 7);
    for (int row = 1; row < grid_->RowCount(); ++row) {
        const Expect& e = expected[row - 1];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(grid_->Cells(C::kColCatalogue, row), e.catalogue);
        EXPECT_EQ(std::string(grid_->CellView(C::kColFolder, row)).substr(0, 1), e.folder);
        EXPECT_EQ(grid_->Cells(C::kColName, row), e.name);
        EXPECT_EQ(grid_->Cells(C::kColFiles, row), e.files);
        EXPECT_EQ(grid_->Cells(C::kColBytes, row), e.bytes);
        EXPECT_EQ(grid_->Cells(C::kColFolders, row), e.folders);
    }
    // The directory grid's columns 1-14 land in columns 4-17.
    EXPECT_EQ(grid_->Cells(C::kColSize, 1), "100");
    EXPECT_TRUE(recorder_.messages.empty());
    // Totals here and on both pages of the main window.
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "8");
    EXPECT_EQ(FColector->LColectorBytes->text().toStdString(), FormatThousands(3244951));
    EXPECT_EQ(FPrincipal->LColectorFicherosNumero->text(), "8");
    EXPECT_EQ(FPrincipal->LColectorFicherosNumeroBuscar->text(), "8");
    EXPECT_EQ(FPrincipal->LColectorSizeBuscar->text(), FColector->LColectorSize->text());
    EXPECT_FALSE(FColector->LColectorSize->text().isEmpty());
}

TEST_F(CollectorTest, DuplicatesAreRefusedOnlyWhenReallyCollected) {
    // A collected root file blocks no folder; "docs" does not hold "docsarchive".
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docsarchive\\"));
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(grid_->RowCount(), 4);
    struct Refused {
        const char* path;
        const char* name;
    } const refused[] = {
        {"Alpha", "readme.txt"}, // the same file again
        {"Alpha", "docs\\"},     // the same folder again
        {"Alpha/docs", "old\\"}, // a folder inside a collected folder
        {"Alpha/docs", "a.doc"}, // a file inside a collected folder
        {"Alpha/docs/old", "b.txt"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        recorder_.messages.clear();
        ASSERT_NO_FATAL_FAILURE(Add(r.path, r.name));
        ASSERT_EQ(recorder_.messages.size(), 1u);
        EXPECT_EQ(recorder_.messages[0], kAlreadyIn);
        EXPECT_EQ(grid_->RowCount(), 4);
    }
    // The same name in another catalogue is another entry.
    recorder_.messages.clear();
    ASSERT_NO_FATAL_FAILURE(Add("Coll/Gamma", "readme.txt"));
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(grid_->RowCount(), 5);
}

TEST_F(CollectorTest, SizesParseWhateverTheSeparator) {
    for (const char* size :
         {"1,234,567", "1.234.567", "1 234 567", "1\u202F234\u202F567", "1'234'567"}) {
        SCOPED_TRACE(size);
        FColector->SGColector->SetRowCount(2);
        FColector->SGColector->ClearRow(1);
        ASSERT_NO_FATAL_FAILURE(Select("Alpha", "readme.txt"));
        FPrincipal->SGDirectorio->SetCells(3, FPrincipal->SGDirectorio->Row(), size);
        FPrincipal->SBAddColector->click();
        EXPECT_EQ(grid_->Cells(C::kColBytes, 1), "1234567");
    }
}

TEST_F(CollectorTest, NothingIsAddedFromACollectionListingOrAnUnloadedCatalogue) {
    ASSERT_NO_FATAL_FAILURE(Select("Coll", "Gamma\\"));
    EXPECT_FALSE(FPrincipal->SBAddColector->isEnabled());
    FPrincipal->SBAddColectorClick();
    EXPECT_TRUE(FColector->Vacio());
    // A hit whose catalogue left the tree: nothing to copy it from later.
    FPrincipal->EBuscar->setText("song");
    FPrincipal->BBuscarClick();
    ASSERT_GE(FPrincipal->SGResultados->RowCount(), 2);
    FPrincipal->SGResultados->SetCurrentCell(5, 1);
    delete TreeNode("Beta");
    FPrincipal->SBAddColectorBuscarClick();
    EXPECT_TRUE(FColector->Vacio());
    EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(CollectorTest, EstimateForEveryClusterSize) {
    // Two folders of 10 and 5 files, files of 5000, 4096 and 0 bytes.
    Row("Alpha", "\\", "f1\\", 10, 100000, 3);
    Row("Alpha", "\\", "f2\\", 5, 50000, 2);
    Row("Alpha", "\\", "a", 1, 5000, 0);
    Row("Alpha", "\\", "b", 1, 4096, 0);
    Row("Alpha", "\\", "c", 1, 0, 0);
    QComboBox& sizes = *FPrincipal->CBClusterSize;
    ASSERT_GT(sizes.count(), 0);
    bool saw4096 = false;
    for (int i = 0; i < sizes.count(); ++i) {
        sizes.setCurrentIndex(i);
        const std::int64_t cluster = TFPrincipal::ObtieneTamanoCluster(sizes.currentText());
        SCOPED_TRACE(cluster);
        FColector->CalculaTotales();
        const auto up = [cluster](std::int64_t b) { return (b + cluster - 1) / cluster * cluster; };
        const std::int64_t estimate = 100000 + cluster / 2 * 10 + 50000 + cluster / 2 * 5 +
                                      up(5000) + up(4096) + 0 + 5 * cluster;
        EXPECT_EQ(FColector->LColectorSize->text().toStdString(),
                  FormateaTamanoAmplio(estimate, LeeTexto("W", "BYTES")));
        if (cluster == 4096) {
            saw4096 = true;
            EXPECT_EQ(estimate, 213488);
        }
    }
    EXPECT_TRUE(saw4096);
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "18");
    EXPECT_EQ(FColector->LColectorBytes->text().toStdString(), FormatThousands(159096));
    // Counts that are no numbers (a hand-made file) count 0.
    grid_->SetCells(C::kColBytes, 1, "lots");
    FColector->CalculaTotales();
    EXPECT_EQ(FColector->LColectorBytes->text().toStdString(), FormatThousands(59096));
    // An empty basket: zeros, no estimate, and only the buttons that need nothing.
    FColector->SGColector->SetRowCount(2);
    FColector->SGColector->ClearRow(1);
    FColector->CalculaTotales();
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "0");
    EXPECT_EQ(FColector->LColectorBytes->text(), "0");
    EXPECT_TRUE(FColector->LColectorSize->text().isEmpty());
    EXPECT_TRUE(FPrincipal->LColectorSize->text().isEmpty());
    for (QToolButton* b : {FColector->SBCopiar, FColector->SBGuardar, FColector->SBBorrar,
                           FColector->SBBorrarTodo, FColector->SBParar})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QWidget* w : std::initializer_list<QWidget*>{FColector->SBAbrir, FColector->SBAbrirExtraer,
                                                      FColector->EDestino})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(CollectorTest, CopiesBothDisksByteForByte) {
    ASSERT_NO_FATAL_FAILURE(FullBasket());
    Copy(out_);
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages[0];
    EXPECT_EQ(recorder_.errorWindows, 0) << Errors();
    const auto copied = Tree(out_);
    const auto expected = Expected();
    EXPECT_EQ(copied.size(), expected.size());
    for (const auto& [path, bytes] : expected) {
        ASSERT_TRUE(copied.count(path)) << path;
        EXPECT_TRUE(copied.at(path) == bytes) << path;
    }
    EXPECT_EQ(FColector->BytesCopiados, FColector->BytesTotales + 1); // the empty file counts 1
    EXPECT_EQ(Status(), "Collector progress: 100%");
    EXPECT_EQ(FPrincipal->PBPrincipal->value(), 100);
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_FALSE(FColector->Copiando());
    EXPECT_TRUE(FColector->SBCopiar->isEnabled());
    EXPECT_FALSE(FColector->SBParar->isEnabled());
    // The run grouped the rows by catalogue: the key is collection + catalogue.
    EXPECT_EQ(GridColumn(*grid_, C::kColCatalogue),
              (std::vector<std::string>{"Alpha", "Alpha", "Alpha", "Alpha", "Beta", "Beta"}));
    // The destination typed as a drive letter path of a catalogued drive.
    fs::remove_all(out_);
    FColector->EDestino->setText("x:\\copy");
    FColector->SBCopiarClick();
    EXPECT_EQ(FColector->EDestino->text(), "x:\\copy\\");
    EXPECT_EQ(Tree(diskA_ / "copy").size(), expected.size());
}

TEST_F(CollectorTest, ADiskMissingDuringTheRunIsAskedFor) {
    struct Case {
        const char* what;
        std::string answers; // one letter per question; "I" inserts the disk and retries
        int questions;
        bool betaCopied;
        bool stopped;
    } const cases[] = {
        {"inserted", "RI", 2, true, false},
        {"skipped", "RCC", 3, false, false},
        {"stopped", "P", 1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out_);
        grid_->SetRowCount(2);
        grid_->ClearRow(1);
        PinDrives(false);
        ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
        ASSERT_NO_FATAL_FAILURE(Add("Beta", "song.mp3"));
        ASSERT_NO_FATAL_FAILURE(Add("Beta", "Live\\"));
        int asked = 0;
        std::vector<std::string> items;
        recorder_.onDialog = [&](QDialog& dialog) {
            if (&dialog != FColectorMensaje) return static_cast<int>(QDialog::Accepted);
            EXPECT_EQ(FColectorMensaje->LCatalogo->text(), "Beta");
            items.push_back(FColectorMensaje->LItem->text().toStdString());
            // Alpha's row was copied before the question.
            EXPECT_TRUE(fs::exists(out_ / "readme.txt"));
            const char answer = asked < static_cast<int>(c.answers.size()) ? c.answers[asked] : 'C';
            ++asked;
            if (answer == 'I') PinDrives(true);
            if (answer == 'C')
                FColectorMensaje->BBCancelar->click();
            else if (answer == 'P')
                FColectorMensaje->BBParar->click();
            else
                FColectorMensaje->BBReintentar->click();
            return static_cast<int>(QDialog::Accepted);
        };
        Copy(out_);
        recorder_.onDialog = nullptr;
        EXPECT_EQ(asked, c.questions);
        EXPECT_EQ(items.front(), "song.mp3");
        EXPECT_EQ(Read(out_ / "readme.txt"), Read(diskA_ / "readme.txt"));
        EXPECT_EQ(fs::exists(out_ / "song.mp3"), c.betaCopied);
        EXPECT_EQ(fs::exists(out_ / "Music/Live/live.mp3"), c.betaCopied);
        if (c.betaCopied) {
            EXPECT_EQ(Read(out_ / "Music/Live/live.mp3"), Read(diskB_ / "Music/Live/live.mp3"));
        }
        EXPECT_EQ(Status(), c.stopped ? "Collector cancelled" : "Collector progress: 100%");
        EXPECT_FALSE(FColector->Parar);
        EXPECT_FALSE(FPrincipal->BusyFlag);
    }
}

// Makes out_ a file system of 512 KiB in a mount namespace of this process
// alone; false when the system allows no such mount.
bool MountSmallDisk(const fs::path& folder) {
    if (::unshare(CLONE_NEWNS) != 0) return false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    fs::create_directories(folder);
    return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=512k") == 0;
}

TEST_F(CollectorTest, ATargetThatFillsUpListsEveryFileNotCopied) {
    mounted_ = MountSmallDisk(out_);
    RecordProperty("target", mounted_ ? "a 512 KiB tmpfs" : "a file-size limit");
    PinDrives(false);
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    ASSERT_NO_FATAL_FAILURE(Add("Beta", "song.mp3"));
    ASSERT_NO_FATAL_FAILURE(Add("Beta", "Live\\"));
    // While the run waits for disk B, the target fills up: another writer on
    // the small disk, or else a file-size limit on this process.
    std::optional<rlimit> saved;
    recorder_.onDialog = [&](QDialog& dialog) {
        if (&dialog != FColectorMensaje) return static_cast<int>(QDialog::Accepted);
        if (mounted_) {
            std::ofstream filler(out_ / "filler", std::ios::binary);
            const std::string block(4096, 'f');
            while (filler.write(block.data(), block.size()))
                ;
        } else {
            saved.emplace();
            ::getrlimit(RLIMIT_FSIZE, &*saved);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = *saved;
            limit.rlim_cur = 1000;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        PinDrives(true);
        FColectorMensaje->BBReintentar->click();
        return static_cast<int>(QDialog::Accepted);
    };
    Copy(out_);
    if (saved) ::setrlimit(RLIMIT_FSIZE, &*saved);
    recorder_.onDialog = nullptr;
    EXPECT_EQ(recorder_.errorWindows, 1);
    const std::string errors = Errors();
    EXPECT_NE(errors.find("song.mp3"), std::string::npos) << errors;
    EXPECT_NE(errors.find("live.mp3"), std::string::npos) << errors;
    // No partial copy is left under the name of the file, none is counted.
    EXPECT_EQ(Read(out_ / "readme.txt"), Read(diskA_ / "readme.txt"));
    EXPECT_FALSE(fs::exists(out_ / "song.mp3"));
    EXPECT_FALSE(fs::exists(out_ / "Music/Live/live.mp3"));
    EXPECT_LT(FColector->BytesCopiados, 200);
}

TEST_F(CollectorTest, RefusalsBeforeARun) {
    Put(base_ / "afile", "x");
    struct Case {
        const char* what;
        bool empty;
        std::string destination;
        const char* message;
    } const cases[] = {
        {"empty_basket", true, "/tmp", "The collector is empty."},
        {"no_destination", false, "   ", "Choose the destination folder first."},
        {"relative", false, "out", "There is not enough free space on the destination drive."},
        {"network", false, "\\\\server\\share",
         "There is not enough free space on the destination drive."},
        {"letter_without_drive", false, "Q:\\copy",
         "There is not enough free space on the destination drive."},
        {"not_creatable", false, (base_ / "afile" / "below").string(),
         "The folder could not be created."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid_->SetRowCount(2);
        grid_->ClearRow(1);
        if (!c.empty) {
            ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
        }
        recorder_.messages.clear();
        FColector->EDestino->setText(QString::fromStdString(c.destination));
        FColector->SBCopiarClick();
        ASSERT_EQ(recorder_.messages.size(), 1u);
        EXPECT_EQ(recorder_.messages[0], c.message);
        EXPECT_FALSE(fs::exists(base_ / "out"));
        EXPECT_FALSE(FPrincipal->BusyFlag);
    }
    // More bytes than the destination's disk has free.
    grid_->SetRowCount(2);
    grid_->ClearRow(1);
    Row("Alpha", "\\", "huge.bin", 1, INT64_MAX / 2, 0);
    recorder_.messages.clear();
    Copy(out_);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], "There is not enough free space on the destination drive.");
}

TEST_F(CollectorTest, RowsThatMustNeverBeCopied) {
    ::mkfifo((diskA_ / "pipe.fifo").c_str(), 0600);
    Put(base_ / "secret.txt", "outside the disk");
    Put(diskA_ / "links" / "target.txt", "inside");
    fs::create_symlink("target.txt", diskA_ / "links" / "inside.txt");
    fs::create_symlink(base_ / "secret.txt", diskA_ / "links" / "escape.txt");
    Row("Alpha", "\\", "pipe.fifo", 1, 0, 0);         // a FIFO: never opened
    Row("Alpha", "\\", "links\\", 3, 20, 1);          // one link leads out of the folder
    Row("Alpha", "\\..\\..", "secret.txt", 1, 16, 0); // a ".." step
    Row("Alpha", "\\", "a\\b.txt", 1, 1, 0);          // a "\" inside a name
    Row("Gone", "\\Live", "live.mp3", 1, 70000, 0);   // its catalogue is not loaded
    Row("Beta", "\\", "song.mp3", 1, 20000, 0);
    Copy(out_);
    const std::string errors = Errors();
    EXPECT_EQ(recorder_.errorWindows, 1);
    for (const char* listed : {"pipe.fifo", "escape.txt", "secret.txt", "a\\b.txt", "Gone"})
        EXPECT_NE(errors.find(listed), std::string::npos) << listed << "\n" << errors;
    const auto copied = Tree(out_);
    const std::map<std::string, std::string> expected = {
        {"links/target.txt", "inside"},
        {"links/inside.txt", "inside"},
        {"song.mp3", Read(diskB_ / "Music/song.mp3")}};
    EXPECT_EQ(copied, expected);
    // Beta's disk never stands in for the row of the catalogue that is gone.
    EXPECT_FALSE(fs::exists(out_ / "live.mp3"));
    EXPECT_FALSE(fs::is_symlink(out_ / "links/inside.txt"));
    EXPECT_FALSE(fs::exists(base_ / "secret.txt.copy"));
    EXPECT_EQ(Tree(base_ / "out").size(), 3u);
}

TEST_F(CollectorTest, AFolderIsNeverCopiedIntoItself) {
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    Copy(diskA_ / "docs" / "copy");
    EXPECT_NE(Errors().find("inside the folder copied"), std::string::npos) << Errors();
    // The other row is copied; the folder is not, not even in part.
    const auto copied = Tree(diskA_ / "docs" / "copy");
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied.begin()->first, "readme.txt");
}

// A stop during a file's copy removes its partial file (no file under the real
// name that looks whole and is not) and names the file in the error window.
TEST_F(CollectorTest, AStopRemovesThePartialFileAndListsIt) {
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "photos\\"));
    // The stop comes as the big file's bar shows its first block.
    const QMetaObject::Connection stop =
        QObject::connect(FColector->PBBytes, &QProgressBar::valueChanged, [](int value) {
            if (value > 0 && value < 100) FColector->SBParar->click();
        });
    Copy(out_);
    QObject::disconnect(stop);
    EXPECT_TRUE(fs::is_empty(out_ / "photos"));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(Errors().find("\"Cancelled\""), std::string::npos) << Errors();
    EXPECT_NE(Errors().find((diskA_ / "photos" / "p1.jpg").string()), std::string::npos)
        << Errors();
    EXPECT_EQ(Status(), "Collector cancelled");
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

// A symbolic link inside the destination is never followed: "out/photos ->
// ../victim" and a link one level down are refused with an error line each,
// and nothing is written in the victims.
TEST_F(CollectorTest, AFolderCopyNeverFollowsALinkInTheDestination) {
    fs::create_directories(base_ / "victim");
    fs::create_directories(base_ / "victim2");
    fs::create_directories(out_ / "docs");
    fs::create_directory_symlink("../victim", out_ / "photos");
    fs::create_directory_symlink("../../victim2", out_ / "docs" / "old");
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "photos\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
    Copy(out_);
    EXPECT_TRUE(fs::is_empty(base_ / "victim"));
    EXPECT_TRUE(fs::is_empty(base_ / "victim2"));
    EXPECT_EQ(Read(out_ / "docs" / "a.doc"), Read(diskA_ / "docs" / "a.doc"));
    EXPECT_EQ(recorder_.errorWindows, 1);
    for (const fs::path& link : {out_ / "photos", out_ / "docs" / "old"})
        EXPECT_NE(Errors().find("\"" + link.string() + "\" is a symbolic link"), std::string::npos)
            << Errors();
}

// Counts too large for 64 bits: totals never wrap (they stop at the largest
// value), and an opened collector file's row whose counts do not fit is left
// out with an error line.
TEST_F(CollectorTest, HugeCountsNeverOverflowTheTotals) {
    constexpr std::uint64_t kHuge = 18446744073709551615ull; // 20 digits
    Row("Alpha", "\\", "readme.txt", 1, 100, 0);
    Row("Alpha", "\\", "huge.bin", 1, kHuge, 0);
    EXPECT_EQ(FColector->BytesTotales, INT64_MAX);
    EXPECT_EQ(FColector->LColectorBytes->text().toStdString(), FormatThousands(INT64_MAX));
    // Two rows that fit alone but not together.
    FColector->SBBorrarTodoClick();
    Row("Alpha", "\\", "a.bin", 1, 9'000'000'000'000'000'000ull, 0);
    Row("Alpha", "\\", "b.bin", 1, 9'000'000'000'000'000'000ull, 0);
    EXPECT_EQ(FColector->BytesTotales, INT64_MAX);

    // Saved and opened again: the huge row is refused, the others stay.
    FColector->SBBorrarTodoClick();
    Row("Alpha", "\\", "readme.txt", 1, 100, 0);
    Row("Alpha", "\\", "huge.bin", 1, kHuge, 0);
    Row("Alpha", "docs\\", "many\\", kHuge, 10, 1);
    Row("Alpha", "\\", "empty.dat", 1, 0, 0);
    const fs::path file = base_ / "huge.clt";
    recorder_.onSaveFile = [&](const SaveFileRequest&) {
        return QString::fromStdString(file.string());
    };
    recorder_.onDialog = [&](QDialog& dialog) {
        if (auto* chooser = qobject_cast<QFileDialog*>(&dialog))
            chooser->selectFile(QString::fromStdString(file.string()));
        return static_cast<int>(QDialog::Accepted);
    };
    recorder_.Install();
    FColector->SBGuardarClick();
    FColector->SBBorrarTodoClick();
    recorder_.errorWindows = 0;
    FColector->SBAbrirClick();
    EXPECT_EQ(GridColumn(*grid_, C::kColName),
              (std::vector<std::string>{"readme.txt", "empty.dat"}));
    EXPECT_EQ(FColector->BytesTotales, 100);
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "2");
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_NE(Errors().find("Alpha: \\ huge.bin"), std::string::npos) << Errors();
    EXPECT_NE(Errors().find("Alpha: docs\\ many\\"), std::string::npos) << Errors();
}

TEST_F(CollectorTest, AnExistingCopyGetsTheNextFreeName) {
    Put(out_ / "readme.txt", "old");
    Put(out_ / "readme[1].txt", "older");
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    Copy(out_);
    EXPECT_EQ(Read(out_ / "readme.txt"), "old");
    EXPECT_EQ(Read(out_ / "readme[1].txt"), "older");
    EXPECT_EQ(Read(out_ / "readme[2].txt"), Read(diskA_ / "readme.txt"));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_EQ(Errors(), "File renamed: " + (out_ / "readme.txt").string() +
                            " to: " + (out_ / "readme[2].txt").string());
    EXPECT_EQ(recorder_.errorCaption, "Sorvane 2.22 - errors");
}

TEST_F(CollectorTest, OnlyEmptyFilesCopyWithoutDividingByZero) {
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "empty.dat"));
    Copy(out_);
    EXPECT_TRUE(fs::exists(out_ / "empty.dat"));
    EXPECT_EQ(fs::file_size(out_ / "empty.dat"), 0u);
    EXPECT_EQ(FColector->BytesCopiados, 1);
    EXPECT_EQ(Status(), "Collector progress: 100%");
}

TEST_F(CollectorTest, NothingElseActsWhileARunGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Add("Beta", "song.mp3"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "photos\\"));
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    bool fired = false, busy = false, closeAccepted = true, sorted = false;
    int rows = 0;
    QTimer::singleShot(0, [&] {
        fired = true;
        busy = FPrincipal->BusyFlag;
        TGridMouseEvent click;
        click.button = Qt::LeftButton;
        click.row = 0;
        click.col = C::kColName;
        FPrincipal->MouseDownX = click.x;
        FPrincipal->MouseDownY = click.y;
        FColector->SGColectorMouseUp(click);
        sorted = DameOrdenColumna(grid_->Cells(C::kColName, 0)) == "(asc)";
        FColector->SBBorrarTodoClick();
        FColector->SBBorrarClick();
        FColector->SBAbrirClick();
        FPrincipal->SBAbrirColectorClick();
        QCloseEvent close;
        QApplication::sendEvent(FColector, &close);
        closeAccepted = close.isAccepted();
        FColector->reject();
        rows = grid_->RowCount();
    });
    Copy(out_);
    ASSERT_TRUE(fired);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(sorted);
    EXPECT_FALSE(closeAccepted);
    EXPECT_EQ(rows, 4);
    EXPECT_TRUE(recorder_.questions.empty());
    EXPECT_TRUE(recorder_.dialogs.empty());
    EXPECT_EQ(GridColumn(*grid_, C::kColName),
              (std::vector<std::string>{"photos\\", "readme.txt", "song.mp3"}));
    EXPECT_EQ(Tree(out_).size(), 3u);
    // Once it ended, the sort works again: ascending, then descending.
    TGridMouseEvent click;
    click.button = Qt::LeftButton;
    click.row = 0;
    click.col = C::kColSize;
    FColector->SGColectorMouseUp(click);
    EXPECT_EQ(DameOrdenColumna(grid_->Cells(C::kColSize, 0)), "(asc)");
    EXPECT_EQ(GridColumn(*grid_, C::kColName),
              (std::vector<std::string>{"photos\\", "readme.txt", "song.mp3"}));
    FColector->SGColectorMouseUp(click);
    EXPECT_EQ(DameOrdenColumna(grid_->Cells(C::kColSize, 0)), "(dsc)");
    EXPECT_EQ(GridColumn(*grid_, C::kColName),
              (std::vector<std::string>{"song.mp3", "readme.txt", "photos\\"}));
}

TEST_F(CollectorTest, CollectorFilesSaveOpenAndMerge) {
    const fs::path file = base_ / "basket.clt";
    recorder_.onSaveFile = [&](const SaveFileRequest& request) {
        EXPECT_EQ(request.fileName, "col1.clt");
        return QString::fromStdString(file.string());
    };
    recorder_.Install();
    std::string opened;
    recorder_.onDialog = [&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        if (chooser == nullptr || chooser->objectName() != "ODColector")
            return static_cast<int>(QDialog::Accepted);
        if (opened.empty()) return static_cast<int>(QDialog::Rejected);
        chooser->selectFile(QString::fromStdString(opened));
        return static_cast<int>(QDialog::Accepted);
    };
    // An empty basket is 21 empty lines.
    FColector->SBGuardarClick();
    EXPECT_EQ(Read(file), [] {
        std::string lines;
        for (int i = 0; i < 21; ++i)
            lines += "\r\n";
        return lines;
    }());

    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    ASSERT_NO_FATAL_FAILURE(Add("Beta", "Live\\"));
    std::vector<std::vector<std::string>> saved;
    for (int row = 1; row < grid_->RowCount(); ++row)
        saved.push_back(grid_->RowCells(row));
    FColector->SBGuardarClick();
    const std::string text = Read(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 42);

    // Cancelled: the basket stays; opened: the file's rows replace it.
    FColector->SBBorrarTodoClick();
    ASSERT_TRUE(FColector->Vacio());
    FColector->SBAbrirClick();
    EXPECT_TRUE(FColector->Vacio());
    opened = file.string();
    FColector->SBAbrirClick();
    ASSERT_EQ(grid_->RowCount(), 3);
    for (int row = 1; row < grid_->RowCount(); ++row)
        EXPECT_EQ(grid_->RowCells(row), saved[static_cast<std::size_t>(row - 1)]);
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "3");

    // Merged: an addition to the opened basket, saved and opened again.
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "docs\\"));
    FColector->SBGuardarClick();
    FColector->SBBorrarTodoClick();
    FColector->SBAbrirClick();
    ASSERT_EQ(grid_->RowCount(), 4);
    EXPECT_EQ(grid_->Cells(C::kColName, 3), "docs\\");
    EXPECT_EQ(FColector->LColectorFicherosNumero->text(), "5");
    // The opened basket copies like the one it was saved from.
    Copy(out_);
    EXPECT_EQ(Tree(out_).size(), 5u);

    // A file too short for one row opens as an empty basket.
    Put(base_ / "short.clt", std::string(20 * 2, '\n'));
    opened = (base_ / "short.clt").string();
    FColector->SBAbrirClick();
    EXPECT_EQ(grid_->RowCount(), 2);
    EXPECT_TRUE(FColector->Vacio());
    EXPECT_FALSE(FColector->SBCopiar->isEnabled());
}

// A collector file whose save fails (a fault injected into its publishing):
// the earlier file keeps its bytes, nothing else is left, and the reason is shown.
TEST_F(CollectorTest, AFailedCollectorFileSaveKeepsTheEarlierFile) {
    const fs::path file = base_ / "basket.clt";
    const std::string earlier = "the earlier basket\r\n";
    Put(file, earlier);
    recorder_.onSaveFile = [&](const SaveFileRequest&) {
        return QString::fromStdString(file.string());
    };
    recorder_.Install();
    ASSERT_NO_FATAL_FAILURE(Add("Alpha", "readme.txt"));
    recorder_.messages.clear();
    {
        const test::FailedPublish fault("basket.clt", EIO);
        FColector->SBGuardarClick();
        EXPECT_EQ(fault.Refused(), 1);
    }
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{"Cannot replace \"" + file.string() +
                                                           "\": " + std::strerror(EIO)});
    EXPECT_EQ(Read(file), earlier);
    for (const auto& entry : fs::directory_iterator(base_))
        EXPECT_EQ(entry.path().filename().string().find(".sorvane-"), std::string::npos);
}

TEST_F(CollectorTest, TheWindowAndItsPanels) {
    // The search page's group, its button and the main window's open button.
    EXPECT_EQ(FPrincipal->GBColectorBuscar->title(), "Collector");
    EXPECT_TRUE(FPrincipal->SBAbrirColectorBuscar->isEnabled());
    EXPECT_TRUE(FPrincipal->SBAbrirColector->isEnabled());
    FPrincipal->SBAbrirColectorBuscar->click();
    FPrincipal->SBAbrirColector->click();
    ASSERT_EQ(recorder_.dialogs.size(), 2u);
    EXPECT_EQ(recorder_.dialogs[0], FColector);
    EXPECT_EQ(recorder_.dialogs[1], FColector);
    // Titles of the grid, and the grid's lines by the settings page.
    EXPECT_EQ(grid_->ColCount(), 21);
    EXPECT_EQ(grid_->Cells(C::kColName, 0), "Name       ");
    for (int col : {0, 18, 19, 20})
        EXPECT_EQ(grid_->ColWidths(col), 0);
    FPrincipal->CBLinColectorHorizontal->SetChecked(true);
    FColector->FormShow();
    EXPECT_TRUE(grid_->HorizontalLines());
    EXPECT_FALSE(grid_->VerticalLines());
    // The folder picker replaces the destination.
    recorder_.onDialog = [&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        EXPECT_NE(chooser, nullptr);
        EXPECT_EQ(dialog.objectName(), "SDColectorCarpeta");
        chooser->selectFile(QString::fromStdString(diskB_.string()));
        return static_cast<int>(QDialog::Accepted);
    };
    FColector->SBAbrirExtraerClick();
    EXPECT_EQ(FColector->EDestino->text().toStdString(), diskB_.string());
    // The question window's texts.
    EXPECT_EQ(FColectorMensaje->BBCancelar->text(), "Skip");
}

} // namespace
} // namespace sorvane
