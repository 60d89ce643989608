// The nested-entries window over catalogued archives: a folder of archives of
// several families catalogued through the folder window, each archive's
// members read back from the window's grid and compared with the archivers'
// own listings; the summary, the sort by a click on a title, the open button
// handing the archive to the desktop, and the edge cases of hand-written
// catalogue lines (inner folders with dots, members of size 0, a row whose
// line is missing, a line without members).
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "dialogs/Language.h"
#include "dialogs/TFAnidados.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/archive/ToolListing.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/FakeProgram.h"
#include "ui/CheckBox.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using sorvane::testing::FakePrograms;
using sorvane::testing::PathWith;
using sorvane::testing::ScopedEnv;
using namespace windowtest;

constexpr int kPath = TFAnidados::kColPath, kSize = TFAnidados::kColSize,
              kDate = TFAnidados::kColDate, kAttributes = TFAnidados::kColAttributes,
              kExtension = TFAnidados::kColExtension;

// The archives catalogued, each with its archiver's listing.
struct Family {
    const char* fixture; // below tests/data/archive
    const char* name;    // as catalogued
};
const Family kFamilies[] = {
    {"zip/folders.zip", "folders.zip"},        {"zip/stored.zip", "stored.zip"},
    {"lha/level1-folders.lzh", "folders.lzh"}, {"cab/folders.cab", "folders.cab"},
    {"arj/method1.arj", "method1.arj"},        {"tar/ustar.tar", "ustar.tar"},
    {"gzip/stored-name.gz", "stored-name.gz"},
};

fs::path Data() {
    const char* data = std::getenv("SORVANE_TEST_DATA");
    return data != nullptr ? fs::path(data) / "archive" : fs::path();
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One nested entry: DOS date, size, attribute code, inner path.
std::string Entry(const std::string& path, std::uint64_t size, const DateTime& date = kDate2001) {
    return CodificaFecha(Dos(date)) + CodificaTamano(size) + "2" + path;
}

std::string Nested(const std::vector<std::string>& entries) {
    std::string block(1, kNestedBracket);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) block += kItemSeparator;
        block += entries[i];
    }
    return block + kNestedBracket;
}

// What the window showed.
struct Shown {
    QString caption;
    std::vector<std::vector<std::string>> rows; // columns 1..5 of each data row
    std::vector<std::string> titles;            // columns 1..5 of the title row
    std::string info;
    QString hint;
};

class NestedTest : public WindowTestRoot {
protected:
    void SetUp() override {
        ASSERT_FALSE(Data().empty());
        base_ = fs::canonical(fakes_.Root());
        root_ = base_ / "root";
        tree_ = base_ / "tree";
        fs::create_directories(root_);
        fs::create_directories(tree_);
        for (const Family& f : kFamilies)
            fs::copy_file(Data() / f.fixture, tree_ / f.name);
        fakes_.Recorder("xdg-open");
        // "Edges": hand-written members for the cases no archiver writes.
        WriteLines(root_ / "Edges.tct",
                   {HeaderLine("Edges"), FolderLine("E:\\"),
                    FileLine("dots.zip", 100, kDos2001, kDos2001,
                             Nested({Entry("v1.2\\readme", 40), Entry("dir\\name.ext", 60),
                                     Entry("pkg.d\\", 0)})),
                    FileLine("empty.zip", 22, kDos2001, kDos2001,
                             Nested({Entry("a.txt", 0), Entry("b\\", 0)})),
                    FileLine("one.zip", 50, kDos2001, kDos2001, Nested({Entry("only.txt", 70)})),
                    FileLine("sort.zip", 1000, kDos2001, kDos2001,
                             Nested({Entry("b\\Readme", 708),
                                     Entry("a.TXT", 54, {1999, 12, 31, 23, 59, 58}),
                                     Entry("c\\d.doc", 1234, {2001, 1, 10, 8, 0, 0}),
                                     Entry("Zed.bin", 9, {2001, 2, 1, 0, 0, 0}),
                                     Entry("e.txt", 0, {2001, 3, 5, 0, 0, 0})})),
                    FileLine("plain.txt", 5)});
        Enter(root_);
        recorder_.systemPrefix = "";
        recorder_.onDialog = [this](QDialog& window) { return Answer(window); };
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->show();
    }

    // Shows the nested window as the program would, reads it, runs the test's
    // act in it and closes it as cancelled when still open.
    int Answer(QDialog& window) {
        if (&window != FAnidados) return QDialog::Accepted;
        window.show();
        QApplication::processEvents();
        shown_ = Read();
        if (act_) act_();
        if (window.isVisible()) window.done(QDialog::Rejected);
        return window.result();
    }

    static Shown Read() {
        const TStringGrid& grid = *FAnidados->SGAnidados;
        Shown s;
        s.caption = FAnidados->windowTitle();
        for (int col = 1; col <= 5; ++col)
            s.titles.push_back(grid.Cells(col, 0));
        for (int row = 1; row < grid.RowCount(); ++row) {
            std::vector<std::string> cells;
            for (int col = 1; col <= 5; ++col)
                cells.push_back(grid.Cells(col, row));
            s.rows.push_back(cells);
        }
        s.info = FAnidados->PAnidadosInfo->text().toStdString();
        s.hint = FAnidados->SBAbrirComprimido->toolTip();
        return s;
    }

    // Catalogues the folder of archives as "Archives" through the folder window.
    void CatalogueArchives() {
        FPrincipal->CatalogueRunMode = "CARPETA";
        FCrearCarpeta->PreparaNuevo();
        FCrearCarpeta->show();
        ASSERT_TRUE(FCrearCarpeta->EligeCarpeta(tree_.string()));
        FCrearCarpeta->ENombre->setText("Archives");
        FCrearCarpeta->BBNuevoCatalogoClick();
        FCrearCarpeta->hide();
        ASSERT_NE(TreeNode("Archives"), nullptr)
            << (recorder_.messages.empty() ? "" : recorder_.messages.back());
        recorder_.messages.clear();
        recorder_.dialogs.clear();
    }

    // Selects the catalogue node and the directory row named `name`.
    static void SelectRow(const QString& catalogue, const std::string& name) {
        FPrincipal->Arbol->setCurrentItem(TreeNode(catalogue));
        ASSERT_EQ(FPrincipal->Arbol->currentItem(), TreeNode(catalogue));
        TStringGrid& grid = *FPrincipal->SGDirectorio;
        for (int row = 1; row < grid.RowCount(); ++row) {
            if (grid.Cells(2, row) == name) {
                grid.SetCurrentCell(2, row);
                return;
            }
        }
        FAIL() << "no row " << name;
    }

    // The window for a row, through the grid's nested button.
    Shown Open(const QString& catalogue, const std::string& name) {
        SelectRow(catalogue, name);
        EXPECT_TRUE(FPrincipal->SBAnidados->isEnabled()) << name;
        const std::size_t before = recorder_.dialogs.size();
        FPrincipal->SBAnidados->click();
        EXPECT_EQ(recorder_.dialogs.size(), before + 1) << name;
        return shown_;
    }

    // Press and release on the title of `col` of the nested grid.
    static void ClickTitle(int col) {
        TStringGrid& grid = *FAnidados->SGAnidados;
        grid.scrollTo(grid.model()->index(0, col));
        QApplication::processEvents();
        QHeaderView* header = grid.horizontalHeader();
        const QPoint centre(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                            header->viewport()->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, centre);
        QApplication::processEvents();
    }

    static std::vector<std::string> Column(int col) {
        return GridColumn(*FAnidados->SGAnidados, col);
    }

    static std::string Title(const char* key, const std::string& tail = "       ") {
        return LeeTextoCapital("W", key) + tail;
    }

    static std::string Summary(std::size_t count, std::uint64_t total, double saving) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%-5.2f", saving);
        return FormatThousands(static_cast<std::int64_t>(count)) + " " +
               LeeTextoCapital("W", "FICHEROS_ANIDADOS") + ", " +
               FormateaTamano(static_cast<std::int64_t>(total), LeeTexto("W", "BYTES")) + ", " +
               percent + "%";
    }

    FakePrograms fakes_;
    ScopedEnv path_{"PATH", PathWith(fakes_.Bin())};
    // The archives' folder is X:\tree.
    ScopedEnv drives_{"SORVANE_DRIVES", "X=" + fs::canonical(fakes_.Root()).string()};
    fs::path base_, tree_;
    Shown shown_;
    std::function<void()> act_;
};

// Every family's members as its archiver lists them: inner path (folders
// included, "\" between folders), size, date with the time, attribute letters,
// and the extension of the member's own name; the summary's count, total and
// saving against the archive's own size.
TEST_F(NestedTest, MembersOfEachFamilyAsTheirArchiverListsThem) {
    ASSERT_NO_FATAL_FAILURE(CatalogueArchives());
    const std::string date = FPrincipal->TextoFechaUtf8({2021, 3, 4, 5, 6, 8}, true);
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(f.name);
        // The catalogue keeps the files of an archive, not its folder entries.
        std::vector<test::ToolEntry> listing;
        for (const test::ToolEntry& member :
             test::ParseToolListing(ReadAll(Data() / (std::string(f.fixture) + ".list"))))
            if (!member.Dir) listing.push_back(member);
        ASSERT_FALSE(listing.empty());
        const Shown s = Open("Archives", f.name);
        EXPECT_EQ(s.caption.toStdString(), LeeTexto("M", "M_TITULO_ANIDADOS") + " " + f.name);
        EXPECT_EQ(s.titles,
                  (std::vector<std::string>{Title("NOMBRE"), Title("TAMANO"), Title("MODIFICADO"),
                                            Title("ATRIBUTOS"), Title("EXTENSION")}));
        EXPECT_EQ(FAnidados->SGAnidados->ColWidths(0), 0);
        EXPECT_EQ(s.hint.toStdString(), LeeTexto("H", "H_ABRIR_FICHERO_ZIP"));
        ASSERT_EQ(s.rows.size(), listing.size());
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < listing.size(); ++i) {
            const test::ToolEntry& member = listing[i];
            std::string path = member.Name;
            std::replace(path.begin(), path.end(), '/', '\\');
            const std::vector<std::string>& row = s.rows[i];
            EXPECT_EQ(row[kPath - 1], path);
            ASSERT_TRUE(member.Size.has_value());
            EXPECT_EQ(row[kSize - 1], FormatThousands(*member.Size));
            total += static_cast<std::uint64_t>(*member.Size);
            EXPECT_EQ(row[kDate - 1], date);
            // The read-only and archive bits, where the archiver shows them.
            const std::string& letters = row[kAttributes - 1];
            for (const auto& [bit, letter] : {std::pair{0x01u, 'R'}, std::pair{0x20u, 'A'}})
                if (member.KnownAttr & bit) {
                    EXPECT_EQ((member.Attr & bit) != 0, letters.find(letter) != std::string::npos)
                        << letters;
                }
            EXPECT_EQ(row[kExtension - 1],
                      UpperCaseSpanish(ExtraeExtension(ExtraeUltimoElemento(path))));
        }
        const double archive = static_cast<double>(fs::file_size(tree_ / f.name));
        EXPECT_EQ(s.info, Summary(listing.size(), total,
                                  100.0 - archive / static_cast<double>(total) * 100.0));
    }
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
    // The panel of the main window is given back after the filling.
    EXPECT_EQ(FPrincipal->SBPrincipal->Panels(1).Text().toStdString().find(
                  LeeTexto("M", "M_CARGANDO_ANIDADOS")),
              std::string::npos);
}

// The saving is positive for a compressed archive and negative for a stored one.
TEST_F(NestedTest, SavingFollowsCompression) {
    ASSERT_NO_FATAL_FAILURE(CatalogueArchives());
    const auto saving = [](const std::string& info) {
        return std::stod(info.substr(info.rfind(", ") + 2));
    };
    EXPECT_GT(saving(Open("Archives", "method1.arj").info), 0.0);
    EXPECT_LT(saving(Open("Archives", "stored.zip").info), 0.0);
}

// Sizes sort as numbers, dates as dates, names and extensions as text without
// regard to case, each ascending on the first click and descending on the
// next; the title carries the mark, the info panel gets its summary back, and
// BusyFlag is clear afterwards.
TEST_F(NestedTest, ClickOnATitleSorts) {
    struct Click {
        int col;
        const char* mark;
        std::vector<std::string> paths;
    };
    const std::vector<Click> clicks = {
        {kSize, "  (asc)", {"e.txt", "Zed.bin", "a.TXT", "b\\Readme", "c\\d.doc"}},
        {kSize, "  (dsc)", {"c\\d.doc", "b\\Readme", "a.TXT", "Zed.bin", "e.txt"}},
        {kDate, "  (asc)", {"a.TXT", "c\\d.doc", "Zed.bin", "b\\Readme", "e.txt"}},
        {kPath, "  (asc)", {"a.TXT", "b\\Readme", "c\\d.doc", "e.txt", "Zed.bin"}},
        {kPath, "  (dsc)", {"Zed.bin", "e.txt", "c\\d.doc", "b\\Readme", "a.TXT"}},
    };
    const char* keys[] = {"", "NOMBRE", "TAMANO", "MODIFICADO", "ATRIBUTOS", "EXTENSION"};
    std::string summary;
    std::vector<std::string> extensions;
    act_ = [&] {
        summary = FAnidados->PAnidadosInfo->text().toStdString();
        for (const Click& c : clicks) {
            SCOPED_TRACE(std::string(keys[c.col]) + c.mark);
            ClickTitle(c.col);
            EXPECT_EQ(Column(kPath), c.paths);
            for (int col = 1; col <= 5; ++col)
                EXPECT_EQ(FAnidados->SGAnidados->Cells(col, 0),
                          Title(keys[col], col == c.col ? c.mark : "       "));
            EXPECT_EQ(FAnidados->PAnidadosInfo->text().toStdString(), summary);
            EXPECT_FALSE(FPrincipal->BusyFlag);
        }
        ClickTitle(kExtension);
        extensions = Column(kExtension);
        // While a long operation runs a click does nothing.
        FPrincipal->BusyFlag = true;
        ClickTitle(kExtension);
        FPrincipal->BusyFlag = false;
        EXPECT_EQ(Column(kExtension), extensions);
        EXPECT_EQ(FAnidados->SGAnidados->Cells(kExtension, 0), Title("EXTENSION", "  (asc)"));
    };
    Open("Edges", "sort.zip");
    act_ = nullptr;
    EXPECT_EQ(summary, Summary(5, 2005, 100.0 - 1000.0 / 2005.0 * 100.0));
    EXPECT_EQ(extensions, (std::vector<std::string>{"", "BIN", "DOC", "TXT", "TXT"}));
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
}

// A member under a folder whose name has a dot has the extension of its own
// name; members of size 0 give a saving of 0.00; one member is not sorted.
TEST_F(NestedTest, EdgeCasesOfTheLines) {
    const Shown dots = Open("Edges", "dots.zip");
    ASSERT_EQ(dots.rows.size(), 3u);
    EXPECT_EQ(dots.rows[0][kPath - 1], "v1.2\\readme");
    EXPECT_EQ(dots.rows[0][kExtension - 1], "");
    EXPECT_EQ(dots.rows[1][kExtension - 1], "EXT");
    EXPECT_EQ(dots.rows[2][kPath - 1], "pkg.d\\");
    EXPECT_EQ(dots.info, Summary(3, 100, 0.0));

    const Shown empty = Open("Edges", "empty.zip");
    EXPECT_EQ(empty.rows.size(), 2u);
    EXPECT_EQ(empty.info, Summary(2, 0, 0.0));
    EXPECT_EQ(empty.info.substr(empty.info.size() - 6), "0.00 %");

    std::vector<std::string> after;
    std::string title;
    act_ = [&] {
        ClickTitle(kSize);
        after = Column(kPath);
        title = FAnidados->SGAnidados->Cells(kSize, 0);
    };
    Open("Edges", "one.zip");
    act_ = nullptr;
    EXPECT_EQ(after, std::vector<std::string>{"only.txt"});
    EXPECT_EQ(title, Title("TAMANO"));
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
}

// A file without members shows the titles only; a row whose line is not among
// the folder's files (the last folder: the search meets the end of the lines)
// is an internal error and fills nothing.
TEST_F(NestedTest, RowsWithoutMembers) {
    SelectRow("Edges", "plain.txt");
    EXPECT_FALSE(FPrincipal->SBAnidados->isEnabled());
    FPrincipal->BBAnidadosClick();
    ASSERT_EQ(recorder_.dialogs.size(), 1u);
    EXPECT_TRUE(shown_.rows.empty());
    EXPECT_EQ(shown_.titles.front(), Title("NOMBRE"));
    EXPECT_TRUE(shown_.info.empty());
    EXPECT_TRUE(recorder_.messages.empty());

    // A first showing fills the grid; the missing row then leaves it empty.
    Open("Edges", "dots.zip");
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    grid.SetCells(2, grid.Row(), "missing.zip");
    FPrincipal->BBAnidadosClick();
    EXPECT_EQ(recorder_.messages,
              std::vector<std::string>{CapitalizeFirst(LeeTexto("W", "ERROR_INTERNO")) +
                                       " FAnidados.FormShow"});
    EXPECT_TRUE(shown_.rows.empty());
    EXPECT_TRUE(shown_.info.empty());
}

// The button and the double click on an archive's name open the window; a
// double click elsewhere in the row, a busy window, a collection listing or
// an empty tree do not.
TEST_F(NestedTest, WhatOpensTheWindow) {
    SelectRow("Edges", "dots.zip");
    FPrincipal->SGDirectorioDblClick();
    ASSERT_EQ(recorder_.dialogs.size(), 1u);
    EXPECT_EQ(shown_.rows.size(), 3u);
    FPrincipal->SGDirectorio->SetCurrentCell(6, FPrincipal->SGDirectorio->Row());
    FPrincipal->SGDirectorioDblClick();
    EXPECT_EQ(recorder_.dialogs.size(), 1u);

    FPrincipal->SGDirectorio->SetCurrentCell(2, FPrincipal->SGDirectorio->Row());
    FPrincipal->BusyFlag = true;
    FPrincipal->BBAnidadosClick();
    FPrincipal->SGDirectorioDblClick();
    FPrincipal->BusyFlag = false;
    EXPECT_EQ(recorder_.dialogs.size(), 1u);

    FPrincipal->CurrentCatalogueNode = nullptr; // as a collection listing leaves it
    FPrincipal->BBAnidadosClick();
    EXPECT_EQ(recorder_.dialogs.size(), 1u);
    EXPECT_TRUE(recorder_.messages.empty());
}

// Esc in the grid closes the window.
TEST_F(NestedTest, EscapeCloses) {
    bool visibleAfter = true;
    act_ = [&] {
        FAnidados->SGAnidados->setFocus();
        QTest::keyClick(FAnidados->SGAnidados, Qt::Key_Escape);
        QApplication::processEvents();
        visibleAfter = FAnidados->isVisible();
    };
    Open("Edges", "dots.zip");
    act_ = nullptr;
    EXPECT_FALSE(visibleAfter);
}

// The grid's cell lines follow their two boxes on the settings page; the
// settings reset gives its columns their first widths back.
TEST_F(NestedTest, SettingsOfTheGrid) {
    TStringGrid& grid = *FAnidados->SGAnidados;
    const std::vector<int> widths = {0, 260, 68, 110, 38, 30};
    for (int col = 1; col < TFAnidados::kColumns; ++col)
        grid.SetColWidths(col, 7);
    FPrincipal->SBResetConfiguracion->click();
    // The reset gives each column its width, widened where its title (or a
    // 13-digit size, a date with its time) needs more.
    EXPECT_EQ(grid.ColWidths(0), 0);
    for (int col = 1; col < TFAnidados::kColumns; ++col) {
        const QString title = QString::fromStdString(grid.Cells(col, 0)).trimmed();
        EXPECT_GE(grid.ColWidths(col), std::max(widths[col], grid.TitleWidthFor(title)))
            << "column " << col;
    }

    EXPECT_FALSE(grid.HorizontalLines());
    EXPECT_FALSE(grid.VerticalLines());
    FPrincipal->CBLinAniHorizontal->SetChecked(true);
    EXPECT_TRUE(grid.HorizontalLines());
    EXPECT_FALSE(grid.VerticalLines());
    FPrincipal->CBLinAniVertical->SetChecked(true);
    EXPECT_TRUE(grid.VerticalLines());
    FPrincipal->CBLinAniHorizontal->SetChecked(false);
    EXPECT_FALSE(grid.HorizontalLines());
}

// The open button hands the archive itself, on its disk, to the desktop.
TEST_F(NestedTest, OpenButtonOpensTheArchive) {
    ASSERT_NO_FATAL_FAILURE(CatalogueArchives());
    act_ = [] { FAnidados->SBAbrirComprimido->click(); };
    Open("Archives", "folders.cab");
    act_ = nullptr;
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
    EXPECT_EQ(fakes_.WaitForArguments("xdg-open"),
              std::vector<std::string>{(tree_ / "folders.cab").string()});
}

} // namespace
} // namespace sorvane
