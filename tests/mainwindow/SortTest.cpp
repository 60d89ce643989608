// Sorting the directory and result grids by a click on a column title, with the
// main window started on a temporary catalogue root: every key kind ascending,
// descending and ascending again, equal keys, empty grids and grids of one row,
// sizes of 2 GiB and more, row kinds moving with their rows, the titles' marks,
// the clicks that must not sort, the status texts and the automatic sort after
// a listing. The key builders are checked cell by cell.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFMensajes.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

constexpr DateTime kMarch = kDate2001;

std::string Folder(const std::string& path, const DateTime& modified = kMarch) {
    return FolderLine(path, kDos2001, Dos(modified));
}

std::string File(const std::string& name, std::uint64_t size, const DateTime& modified,
                 const std::string& media = "") {
    return FileLine(name, size, Dos(modified), kDos2001, media);
}

// An image's media block: width, height and colour depth.
std::string Image(int width, int height, int depth) {
    return Media(PadLeftToWidth(CodificaEntero(width), 3) +
                 PadLeftToWidth(CodificaEntero(height), 3) + CodificaEntero(depth));
}

using Names = std::vector<std::string>;

Names Reversed(Names names) {
    std::reverse(names.begin(), names.end());
    return names;
}

// Directory grid columns.
constexpr int kDirName = 2, kDirSize = 3, kDirModified = 4, kDirExtension = 7, kDirResolution = 9,
              kDirQuality = 10;
// Result grid columns.
constexpr int kResCatalogue = 2, kResFolder = 3, kResName = 5, kResSize = 6, kResModified = 7,
              kResCreated = 8;

// The rows of the catalogue "Disco" as the listing puts them: folders, then files.
const Names kListed = {"zeta\\", "Alpha\\", "b.txt", "A.doc", "c.jpg", "Ébano.jpg",
                       "d.iso",  "f.bin",   "g.bin", "h.bin", "i.gif"};

class SortTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("sort");
        recorder_.systemPrefix = "";
        OpenWindows();
    }
    void TearDown() override {
        EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
        WindowTestRoot::TearDown();
    }

    // "Disco": sizes about the 32-bit limits, equal sizes, equal dates, images
    // with resolutions and depths; "Uno": a single file; the collection "Fondos"
    // with a sub-collection and two catalogues; the empty collection "Vacia".
    void Start() {
        WriteLines(root_ / "Disco.tct",
                   {HeaderLine("Disco"), Folder("E:\\"), File("b.txt", 2'147'483'648ULL, kMarch),
                    File("A.doc", 3'000'000'000ULL, {1999, 12, 31, 23, 59, 58}),
                    File("c.jpg", 5'000'000'000ULL, kMarch, Image(640, 480, 24)),
                    File("Ébano.jpg", 0, {2000, 1, 1, 0, 0, 0}, Image(1024, 768, 8)),
                    File("d.iso", 4'294'967'296ULL, {1980, 1, 1, 0, 0, 0}),
                    File("f.bin", 2'147'483'647ULL, {2079, 12, 31, 23, 59, 58}),
                    File("g.bin", 1, {2001, 3, 4, 10, 29, 58}),
                    File("h.bin", 1, {2001, 3, 4, 10, 30, 2}),
                    File("i.gif", 1, kMarch, Image(64, 48, 1)), Folder("E:\\zeta\\"),
                    Folder("E:\\Alpha\\", {1999, 6, 1, 12, 0, 0})});
        WriteLines(root_ / "Uno.tct",
                   {HeaderLine("Uno"), Folder("E:\\"), File("solo.txt", 5, kMarch)});
        fs::create_directories(root_ / "Fondos" / "Zulu");
        fs::create_directories(root_ / "Vacia");
        WriteLines(root_ / "Fondos" / "beta.tct", {HeaderLine("beta"), Folder("E:\\")});
        WriteLines(root_ / "Fondos" / "Alfa.tct", {HeaderLine("Alfa"), Folder("E:\\")});
        FPrincipal->resize(1400, 700);
        FPrincipal->show();
        QApplication::processEvents();
        ASSERT_TRUE(FPrincipal->StartupDone());
    }

    QTreeWidgetItem* TopLevel(const QString& text) {
        for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
            if (FPrincipal->Arbol->topLevelItem(i)->text(0) == text)
                return FPrincipal->Arbol->topLevelItem(i);
        ADD_FAILURE() << "no node " << text.toStdString();
        return nullptr;
    }

    void List(const QString& node) {
        FPrincipal->Arbol->setCurrentItem(TopLevel(node));
        QApplication::processEvents();
    }

    static Names Column(const TStringGrid& grid, int col) {
        Names texts;
        for (int row = 1; row < grid.RowCount(); ++row)
            texts.push_back(grid.Cells(col, row));
        return texts;
    }

    // A press on the title of `col` and a release on the title of `releaseCol`
    // (the same by default), as the mouse gives them.
    static void ClickTitle(TStringGrid& grid, int col, Qt::MouseButton button = Qt::LeftButton,
                           int releaseCol = -1) {
        if (releaseCol < 0) releaseCol = col;
        for (int c : {col, releaseCol})
            if (grid.ColWidths(c) == 0) grid.SetColWidths(c, 70);
        grid.scrollTo(grid.model()->index(0, col));
        QApplication::processEvents();
        QHeaderView* header = grid.horizontalHeader();
        const auto centre = [&](int c) {
            return QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                          header->viewport()->height() / 2);
        };
        QTest::mousePress(header->viewport(), button, {}, centre(col));
        QTest::mouseRelease(header->viewport(), button, {}, centre(releaseCol));
        QApplication::processEvents();
    }

    // The kinds of the listed rows must still match their names.
    static void ExpectKindsFollowNames(const TStringGrid& grid) {
        for (int row = 1; row < grid.RowCount(); ++row) {
            const std::string name = grid.Cells(kDirName, row);
            EXPECT_EQ(grid.RowTag(row), name.ends_with('\\') ? kRowFolder : kRowFile) << name;
        }
    }

    static std::string Title(const char* key, std::string_view tail) {
        return LeeTextoCapital("W", key) + std::string(tail);
    }
};

// Each column kind of the directory grid: the first click sorts ascending, the
// second reverses that order, the third sorts ascending again.
TEST_F(SortTest, DirectoryGridSortsByEveryKeyKind) {
    struct Case {
        const char* what;
        int column;
        const char* titleKey;
        bool withTime; // CBVerHoraModificado
        Names ascending;
    };
    const Case cases[] = {
        {"name: folders first, accents and case folded",
         kDirName,
         "NOMBRE",
         false,
         {"Alpha\\", "zeta\\", "A.doc", "b.txt", "c.jpg", "d.iso", "Ébano.jpg", "f.bin", "g.bin",
          "h.bin", "i.gif"}},
        {"size: folders (no size) first, equal sizes in listing order, 64-bit sizes",
         kDirSize,
         "TAMANO",
         false,
         {"zeta\\", "Alpha\\", "Ébano.jpg", "g.bin", "h.bin", "i.gif", "f.bin", "b.txt", "A.doc",
          "d.iso", "c.jpg"}},
        {"modified date without the time: one day is one key",
         kDirModified,
         "MODIFICADO",
         false,
         {"d.iso", "Alpha\\", "A.doc", "Ébano.jpg", "zeta\\", "b.txt", "c.jpg", "g.bin", "h.bin",
          "i.gif", "f.bin"}},
        {"modified date with the time",
         kDirModified,
         "MODIFICADO",
         true,
         {"d.iso", "Alpha\\", "A.doc", "Ébano.jpg", "g.bin", "zeta\\", "b.txt", "c.jpg", "i.gif",
          "h.bin", "f.bin"}},
        {"extension: a text key, empty cells first",
         kDirExtension,
         "EXTENSION",
         false,
         {"zeta\\", "Alpha\\", "f.bin", "g.bin", "h.bin", "A.doc", "i.gif", "d.iso", "c.jpg",
          "Ébano.jpg", "b.txt"}},
        {"resolution: the width in twelve places",
         kDirResolution,
         "RESOLUCION",
         false,
         {"zeta\\", "Alpha\\", "b.txt", "A.doc", "d.iso", "f.bin", "g.bin", "h.bin", "i.gif",
          "c.jpg", "Ébano.jpg"}},
        {"quality: the depth as a number, not as text",
         kDirQuality,
         "CALIDAD",
         false,
         {"zeta\\", "Alpha\\", "b.txt", "A.doc", "d.iso", "f.bin", "g.bin", "h.bin", "i.gif",
          "Ébano.jpg", "c.jpg"}},
    };
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FPrincipal->CBVerHoraModificado->SetChecked(c.withTime);
        List("Uno");
        List("Disco");
        ASSERT_EQ(Column(grid, kDirName), kListed);
        ClickTitle(grid, c.column);
        EXPECT_EQ(Column(grid, kDirName), c.ascending);
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (asc)"));
        ExpectKindsFollowNames(grid);
        const Names keys = Column(grid, 0);
        ClickTitle(grid, c.column);
        EXPECT_EQ(Column(grid, kDirName), Reversed(c.ascending));
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (dsc)"));
        ExpectKindsFollowNames(grid);
        // Ascending again; rows of equal keys keep the order the descending left.
        ClickTitle(grid, c.column);
        EXPECT_EQ(Column(grid, 0), keys);
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (asc)"));
        ExpectKindsFollowNames(grid);
        for (int col = 1; col < grid.ColCount(); ++col) {
            if (col == c.column) continue;
            EXPECT_TRUE(grid.Cells(col, 0).ends_with("       ")) << col;
        }
    }
}

TEST_F(SortTest, AnotherColumnStartsAscendingAndClearsTheOldMark) {
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    List("Disco");
    ClickTitle(grid, kDirName);
    ClickTitle(grid, kDirName);
    ASSERT_EQ(grid.Cells(kDirName, 0), Title("NOMBRE", "  (dsc)"));
    ClickTitle(grid, kDirSize);
    EXPECT_EQ(grid.Cells(kDirName, 0), Title("NOMBRE", "       "));
    EXPECT_EQ(grid.Cells(kDirSize, 0), Title("TAMANO", "  (asc)"));
    EXPECT_EQ(Column(grid, kDirName).back(), "c.jpg");
}

// The rows' buttons follow the row that now stands at the current position.
TEST_F(SortTest, RowButtonsFollowTheSortedRows) {
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    List("Disco");
    ClickTitle(grid, kDirName);
    grid.SetCurrentCell(kDirName, 1);
    ClickTitle(grid, kDirName); // descending: a file at row 1
    EXPECT_EQ(grid.Cells(kDirName, grid.Row()), "i.gif");
    EXPECT_TRUE(FPrincipal->SBAbrirNotepad->isEnabled());
    ClickTitle(grid, kDirName); // ascending: a folder at row 1
    EXPECT_EQ(grid.Cells(kDirName, grid.Row()), "Alpha\\");
    EXPECT_FALSE(FPrincipal->SBAbrirNotepad->isEnabled());
}

TEST_F(SortTest, CollectionListingSortsWithItsRowKinds) {
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    List("Fondos");
    const Names listed = Column(grid, kDirName);
    ASSERT_EQ(listed.size(), 3u);
    ClickTitle(grid, kDirName);
    EXPECT_EQ(Column(grid, kDirName), (Names{"Alfa\\", "beta\\", "Zulu\\"}));
    ClickTitle(grid, 1); // the kind word: catalogues before the collection
    EXPECT_EQ(Column(grid, 1), (Names{"Catalogue", "Catalogue", "Collection"}));
    EXPECT_EQ(Column(grid, kDirName), (Names{"Alfa\\", "beta\\", "Zulu\\"}));
    // Each row keeps its own kind through the sort.
    for (int row = 1; row < grid.RowCount(); ++row)
        EXPECT_EQ(grid.RowTag(row),
                  grid.Cells(1, row) == "Collection" ? kRowCollection : kRowCatalogue);
}

// Clicks that must leave the grid and its titles as they are.
TEST_F(SortTest, ClicksThatDoNotSort) {
    struct Case {
        const char* what;
        const char* node;
        Qt::MouseButton button;
        int releaseColumn; // -1: where the press was
        bool busy;
    };
    const Case cases[] = {
        {"a drag from one title to another", "Disco", Qt::LeftButton, kDirSize, false},
        {"the right button", "Disco", Qt::RightButton, -1, false},
        {"a busy window", "Disco", Qt::LeftButton, -1, true},
        {"a grid of one data row", "Uno", Qt::LeftButton, -1, false},
        {"an empty collection", "Vacia", Qt::LeftButton, -1, false},
    };
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        List(c.node);
        const Names before = Column(grid, kDirName);
        FPrincipal->BusyFlag = c.busy;
        ClickTitle(grid, kDirName, c.button, c.releaseColumn);
        FPrincipal->BusyFlag = false;
        EXPECT_EQ(Column(grid, kDirName), before);
        EXPECT_EQ(grid.Cells(kDirName, 0), Title("NOMBRE", "       "));
        EXPECT_FALSE(FPrincipal->HeaderSortDone);
    }
}

// While the rows move the status bar says which way and the window is busy;
// afterwards the status text is back and the next double click does nothing.
TEST_F(SortTest, StatusTextBusyFlagAndHeaderSortDone) {
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    List("Disco");
    const QString listed = FPrincipal->SBPrincipal->Panels(1).Text();
    struct Seen {
        std::string status;
        bool busy = false;
    };
    // The release of a click on the name title, straight to the handler, so that
    // the message loop first runs inside the sort.
    const auto sortSeeing = [&] {
        Seen seen;
        TGridMouseEvent release;
        release.button = Qt::LeftButton;
        release.col = kDirName;
        release.row = 0;
        release.x = FPrincipal->MouseDownX = 40;
        release.y = FPrincipal->MouseDownY = 5;
        QTimer::singleShot(0, [&] {
            seen.status = FPrincipal->SBPrincipal->Panels(1).Text().toStdString();
            seen.busy = FPrincipal->BusyFlag;
        });
        FPrincipal->SGDirectorioMouseUp(&grid, release);
        return seen;
    };
    const Seen ascending = sortSeeing();
    EXPECT_EQ(ascending.status, LeeTexto("M", "M_ORDENANDO_ASC") + "...");
    EXPECT_TRUE(ascending.busy);
    EXPECT_EQ(FPrincipal->SBPrincipal->Panels(1).Text(), listed);
    EXPECT_FALSE(FPrincipal->BusyFlag);
    const Seen descending = sortSeeing();
    EXPECT_EQ(descending.status, LeeTexto("M", "M_ORDENANDO_DSC") + "...");
    EXPECT_TRUE(descending.busy);
    EXPECT_EQ(FPrincipal->SBPrincipal->Panels(1).Text(), listed);

    // The double click that ends a header click does not open the folder row.
    EXPECT_TRUE(FPrincipal->HeaderSortDone);
    QTreeWidgetItem* disco = FPrincipal->Arbol->currentItem();
    grid.SetCurrentCell(kDirName, grid.RowCount() - 1); // "Alpha\", last in descending order
    ASSERT_EQ(grid.Cells(kDirName, grid.Row()), "Alpha\\");
    FPrincipal->SGDirectorioDblClick();
    EXPECT_EQ(FPrincipal->Arbol->currentItem(), disco);
    // A press on the rows clears it.
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(0, kDirName)).center());
    EXPECT_FALSE(FPrincipal->HeaderSortDone);
}

// RGAutoSort sorts every listing by name, size or modified date; CBAutoSortInvertir
// clicks a second time.
TEST_F(SortTest, AutomaticSortAfterAListing) {
    struct Case {
        const char* what;
        int item;
        bool invert;
        bool sizeShown; // CBVerTamano: a hidden column sorts all the same
        int column;
        std::string_view mark;
        Names names;
    };
    const Names byName = {"Alpha\\",   "zeta\\", "A.doc", "b.txt", "c.jpg", "d.iso",
                          "Ébano.jpg", "f.bin",  "g.bin", "h.bin", "i.gif"};
    const Names bySize = {"zeta\\", "Alpha\\", "Ébano.jpg", "g.bin", "h.bin", "i.gif",
                          "f.bin",  "b.txt",   "A.doc",     "d.iso", "c.jpg"};
    const Names byDate = {"d.iso", "Alpha\\", "A.doc", "Ébano.jpg", "zeta\\", "b.txt",
                          "c.jpg", "g.bin",   "h.bin", "i.gif",     "f.bin"};
    const Case cases[] = {
        {"off", 0, true, true, kDirName, "       ", kListed},
        {"by name", 1, false, true, kDirName, "  (asc)", byName},
        {"by name, inverted", 1, true, true, kDirName, "  (dsc)", Reversed(byName)},
        {"by size", 2, false, true, kDirSize, "  (asc)", bySize},
        {"by size, size column hidden", 2, false, false, kDirSize, "  (asc)", bySize},
        {"by modified date, inverted", 3, true, true, kDirModified, "  (dsc)", Reversed(byDate)},
    };
    Start();
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FPrincipal->RGAutoSort->SetItemIndex(c.item);
        FPrincipal->CBAutoSortInvertir->SetChecked(c.invert);
        FPrincipal->CBVerTamano->SetChecked(c.sizeShown);
        List("Uno");
        List("Disco");
        EXPECT_EQ(Column(grid, kDirName), c.names);
        EXPECT_TRUE(grid.Cells(c.column, 0).ends_with(c.mark)) << grid.Cells(c.column, 0);
        EXPECT_EQ(grid.Row(), 1);
        ExpectKindsFollowNames(grid);
        // A listing of one row is left alone.
        List("Uno");
        EXPECT_EQ(Column(grid, kDirName), Names{"solo.txt"});
        EXPECT_TRUE(grid.Cells(c.column, 0).ends_with("       "));
    }
}

class ResultSortTest : public SortTest {
protected:
    // Hits of every kind; each row's tag is its number here, so the test sees
    // the rows move whole. Dates as the search writes them, with the time.
    void FillResults() {
        const auto date = [](const DateTime& d) { return FPrincipal->TextoFechaUtf8(d, true); };
        const std::string march = date(kMarch);
        struct Hit {
            const char *collection, *catalogue, *folder, *description, *name, *size;
            std::string modified, created;
        };
        const Hit hits[] = {
            {"Backups", "", "", "", "", "", "", ""},
            {"Backups", "Disco", "", "", "", "", "", ""},
            {"Backups", "Disco", "\\", "", "Music\\", "", march, march},
            {"Backups", "Disco", "\\Music", "", "song.mp3", "4,000,000",
             date({1999, 6, 1, 12, 0, 0}), march},
            {"", "Archivo", "\\", "", "Big.iso", "3,000,000,000", date({2001, 3, 4, 10, 30, 2}),
             date({1980, 1, 1, 0, 0, 0})},
            {"", "Archivo", "\\", "", "huge.img", "5,000,000,000", date({2001, 3, 4, 10, 29, 58}),
             ""},
            {"", "Archivo", "\\", "", "edge.bin", "2,147,483,648", date({2079, 12, 31, 23, 59, 58}),
             date({1999, 1, 1, 0, 0, 0})},
            {"Backups", "Disco", "\\", "colour.zip|", "ánimo.bmp", "300",
             date({2002, 5, 6, 8, 0, 0}), ""},
            {"", "Archivo", "\\", "", "readme.txt", "2,147,483,647", march, march},
        };
        TStringGrid& grid = *FPrincipal->SGResultados;
        grid.SetRowCount(1 + static_cast<int>(std::size(hits)));
        int row = 1;
        for (const Hit& h : hits) {
            grid.SetRowCells(row, {"", h.collection, h.catalogue, h.folder, h.description, h.name,
                                   h.size, h.modified, h.created});
            grid.SetCells(19, row,
                          std::to_string(row) + " " + std::to_string(row)); // a hidden range
            grid.SetRowTag(row, row);
            ++row;
        }
        FPrincipal->ResultHits = std::size(hits);
    }

    static std::vector<int> Tags(const TStringGrid& grid) {
        std::vector<int> tags;
        for (int row = 1; row < grid.RowCount(); ++row) {
            tags.push_back(grid.RowTag(row));
            EXPECT_EQ(grid.Cells(19, row),
                      std::to_string(tags.back()) + " " + std::to_string(tags.back()));
        }
        return tags;
    }

    static std::vector<int> Reversed(std::vector<int> tags) {
        std::reverse(tags.begin(), tags.end());
        return tags;
    }
};

TEST_F(ResultSortTest, ResultGridSortsByEveryKeyKind) {
    struct Case {
        const char* what;
        int column;
        const char* titleKey;
        std::vector<int> ascending; // the rows' numbers in FillResults
    };
    const Case cases[] = {
        {"name: name-less hits, then folders, then files",
         kResName,
         "NOMBRE",
         {1, 2, 3, 8, 5, 7, 6, 9, 4}},
        {"size: 64-bit sizes after the rows without one",
         kResSize,
         "TAMANO",
         {1, 2, 3, 8, 4, 9, 7, 5, 6}},
        {"modified date and time", kResModified, "MODIFICADO", {1, 2, 4, 6, 3, 9, 5, 8, 7}},
        {"created date: empty cells first", kResCreated, "CREADO", {1, 2, 6, 8, 5, 7, 3, 4, 9}},
        {"catalogue: a text key", kResCatalogue, "CATALOGO", {1, 5, 6, 7, 9, 2, 3, 4, 8}},
        {"folder: a text key", kResFolder, "CARPETA", {1, 2, 3, 5, 6, 7, 8, 9, 4}},
    };
    Start();
    FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
    QApplication::processEvents();
    TStringGrid& grid = *FPrincipal->SGResultados;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FPrincipal->AsignaTitulosResultados();
        FillResults();
        ClickTitle(grid, c.column);
        EXPECT_EQ(Tags(grid), c.ascending);
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (asc)"));
        const Names keys = Column(grid, 0);
        ClickTitle(grid, c.column);
        EXPECT_EQ(Tags(grid), Reversed(c.ascending));
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (dsc)"));
        ClickTitle(grid, c.column);
        EXPECT_EQ(Column(grid, 0), keys);
        EXPECT_EQ(grid.Cells(c.column, 0), Title(c.titleKey, "  (asc)"));
    }
}

TEST_F(ResultSortTest, EmptyResultGridAndDragsDoNotSort) {
    Start();
    FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
    QApplication::processEvents();
    TStringGrid& grid = *FPrincipal->SGResultados;
    FPrincipal->AsignaTitulosResultados();
    grid.SetRowCount(2);
    grid.ClearRow(1);
    FPrincipal->ResultHits = 0;
    ClickTitle(grid, kResName);
    EXPECT_EQ(grid.Cells(kResName, 0), Title("NOMBRE", "       "));

    FillResults();
    ClickTitle(grid, kResName, Qt::LeftButton, kResSize);
    EXPECT_EQ(Tags(grid), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    FPrincipal->BusyFlag = true;
    ClickTitle(grid, kResName);
    FPrincipal->BusyFlag = false;
    EXPECT_EQ(Tags(grid), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(grid.Cells(kResName, 0), Title("NOMBRE", "       "));
}

// The key each builder writes for one cell. Dates are written as the grids
// write them, with DateTimeFormat or DateFormat.
TEST_F(SortTest, KeyBuildersCellByCell) {
    using Builder = void (TFPrincipal::*)(TStringGrid&, int) const;
    struct Case {
        const char* what;
        Builder builder;
        std::string cell;
        std::string key;
    };
    Start();
    const auto withTime = [](const DateTime& d) { return FPrincipal->TextoFechaUtf8(d, true); };
    const auto dayOnly = [](const DateTime& d) { return FPrincipal->TextoFechaUtf8(d, false); };
    const std::string folderLead(20, ' ');
    const Case cases[] = {
        {"text", &TFPrincipal::GeneraClaveTexto, "Ébano niño", "EBANO NIÑO"},
        {"text, empty", &TFPrincipal::GeneraClaveTexto, "", ""},
        {"name of a file", &TFPrincipal::GeneraClaveNombre, "Canción.mp3", "CANCION.MP3"},
        {"name of a folder", &TFPrincipal::GeneraClaveNombre, "docs\\", folderLead + "DOCS\\"},
        {"name, empty", &TFPrincipal::GeneraClaveNombre, "", ""},
        {"size, empty", &TFPrincipal::GeneraClaveTamano, "", "0"},
        {"size 0", &TFPrincipal::GeneraClaveTamano, "0", "000000000000"},
        {"size with separators", &TFPrincipal::GeneraClaveTamano, "1,234", "000000001234"},
        {"size of 2 GiB", &TFPrincipal::GeneraClaveTamano, "2,147,483,648", "002147483648"},
        {"size above 4 GiB", &TFPrincipal::GeneraClaveTamano, "4.294.967.296", "004294967296"},
        {"largest catalogued size", &TFPrincipal::GeneraClaveTamano, "9,999,999,999",
         "009999999999"},
        {"thirteen digits", &TFPrincipal::GeneraClaveTamano, "1,000,000,000,000", "999999999999"},
        {"no digits", &TFPrincipal::GeneraClaveTamano, "abc", "000000000000"},
        {"quality of a song", &TFPrincipal::GeneraClaveCalidad, "128k", "k000000000128"},
        {"quality of an image", &TFPrincipal::GeneraClaveCalidad, "24b", "b000000000024"},
        {"quality of a film", &TFPrincipal::GeneraClaveCalidad, "30fps", "fps000000000030"},
        {"quality without digits", &TFPrincipal::GeneraClaveCalidad, "k", "k000000000000"},
        {"quality, empty", &TFPrincipal::GeneraClaveCalidad, "", ""},
        {"sample rate", &TFPrincipal::GeneraClaveResolucion, "44100 Hz", "Hz000000044100"},
        {"resolution", &TFPrincipal::GeneraClaveResolucion, "640x480", "00000640x480"},
        {"resolution, empty", &TFPrincipal::GeneraClaveResolucion, "", ""},
        {"date of 1 January 1980", &TFPrincipal::GeneraClaveFecha, withTime({1980, 1, 1, 0, 0, 0}),
         "000029221.0000000000"},
        {"date and time", &TFPrincipal::GeneraClaveFecha, withTime(kMarch), "000036954.4375000000"},
        {"last seconds of 1999", &TFPrincipal::GeneraClaveFecha,
         withTime({1999, 12, 31, 23, 59, 58}), "000036525.9999768519"},
        {"date without the time", &TFPrincipal::GeneraClaveFecha, dayOnly(kMarch),
         "000036954.0000000000"},
        {"a two-digit year of the 2070s", &TFPrincipal::GeneraClaveFecha,
         dayOnly({2079, 12, 31, 0, 0, 0}), "000065745.0000000000"},
        {"date, empty", &TFPrincipal::GeneraClaveFecha, "", ""},
        {"no date", &TFPrincipal::GeneraClaveFecha, "Colección", ""},
    };
    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid.SetCells(1, 1, c.cell);
        grid.SetCells(1, 2, "");
        grid.SetCells(0, 1, "stale");
        (FPrincipal->*c.builder)(grid, 1);
        EXPECT_EQ(grid.Cells(0, 1), c.key) << c.cell;
        EXPECT_EQ(grid.Cells(1, 1), c.cell); // the source is left alone
    }
}

} // namespace
} // namespace sorvane
