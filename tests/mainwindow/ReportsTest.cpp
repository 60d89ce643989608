// The text reports and the catalogue export. Reports: each of the four
// buttons writes "temp.txt" in the catalogue root, compared with the text
// built here from the catalogue's fields or the grids' cells, and hands its
// absolute path to a fake text editor. Export: one catalogue and whole
// collections written through the export window, read back and compared field
// by field with the catalogue's own readers; the temporary file renamed into
// place, a failed write that leaves the old file alone, and the busy guard.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/TFExportaCatalogos.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/AtomicFileFault.h"
#include "tests/platform/FakeProgram.h"
#include "ui/CheckBox.h"
#include "ui/StringGrid.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using sorvane::testing::FakePrograms;
using sorvane::testing::PathWith;
using sorvane::testing::ScopedEnv;
using namespace windowtest;

using Lines = std::vector<std::string>;
using Row = std::vector<std::string>;

constexpr std::uint64_t kBig = 3'000'000'000; // more than 32 bits and more than 12 characters

// One nested entry: DOS date, size, attribute code, inner path.
std::string Entry(const std::string& path, std::uint64_t size) {
    return CodificaFecha(kDos2001) + CodificaTamano(size) + "2" + path;
}

std::string Nested(const Lines& entries) {
    std::string block(1, kNestedBracket);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) block += kItemSeparator;
        block += entries[i];
    }
    return block + kNestedBracket;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a CR LF text; every line must end with CR LF.
Lines SplitCrLf(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         start = end + 2, end = text.find("\r\n", start))
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

Row SplitTabs(const std::string& line) {
    Row fields;
    std::size_t start = 0;
    for (std::size_t end = line.find('\t');; start = end + 1, end = line.find('\t', start)) {
        fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
    }
    return fields;
}

std::string Quote(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

// A name of `chars` characters, starting with "é" when `accent`.
std::string NameOf(std::size_t chars, char fill, bool accent = false) {
    return (accent ? std::string("é") + std::string(chars - 5, fill)
                   : std::string(chars - 4, fill)) +
           ".txt";
}

class ReportsTest : public WindowTestRoot {
protected:
    void SetUp() override {
        const fs::path base = fs::canonical(fakes_.Root());
        root_ = base / "root";
        fs::create_directories(root_ / "Music" / "Live");
        fs::create_directories(base / "home" / "applications");
        fs::create_directories(base / "system");
        if (fs::exists("/usr/share/mime"))
            fs::create_directory_symlink("/usr/share/mime", base / "system" / "mime");
        fakes_.Recorder("xdg-open");
        fakes_.Recorder("xdg-mime", "fake-editor.desktop");
        fakes_.Recorder("editor");
        std::ofstream(base / "home" / "applications" / "fake-editor.desktop")
            << "[Desktop Entry]\nType=Application\nName=Fake Editor\nExec=editor %f\n"
               "MimeType=text/plain;\n";

        disco_ = {
            HeaderLine("Disco"),
            CountedFolderLine("\\", 7, "the root"),
            FileLine(NameOf(24, 'a', true), 10),
            FileLine(NameOf(25, 'b'), 1234567),
            FileLine(NameOf(99, 'c'), 0),
            FileLine("big.iso", kBig),
            PonDescripcion(FileLine("quote.txt", 5), "say \"hi\" now"),
            FileLine("pack.zip", 500, kDos2001, kDos2001,
                     Nested({Entry("a.txt", 10), Entry("dir\\b.txt", kBig), Entry("dir\\", 0)})),
            FileLine("bad-created.txt", 7, kDos2001, 0xFFFFFFFFu),
            CountedFolderLine("\\sub", 1),
            FileLine("x.txt", 1)};
        WriteLines(root_ / "Disco.tct", disco_);
        WriteLines(root_ / "Music" / "Rock.tct",
                   {LineaCabecera("Rock", "DVD", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
                    CountedFolderLine("\\", 1), FileLine("song.mp3", 300)});
        WriteLines(root_ / "Music" / "Live" / "Tour.tct",
                   {LineaCabecera("Tour", "H.D.", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
                    CountedFolderLine("\\", 1), FileLine("live.mp3", 400)});
        WriteLines(root_ / "Empty.tct", {HeaderLine("Empty")});
        Enter(root_);
        recorder_.systemPrefix = "SYSTEM: ";
        recorder_.onSaveFile = [this](const SaveFileRequest& request) {
            saveRequests_.push_back(request);
            return QString::fromStdString(saveAs_.string());
        };
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        ASSERT_TRUE(recorder_.messages.empty());
        w_ = FPrincipal;
    }

    void Select(const QString& path) {
        QTreeWidgetItem* node = TreeNode(path);
        ASSERT_NE(node, nullptr) << path.toStdString();
        w_->Arbol->setCurrentItem(node);
    }

    // Clicks a report button; the text of "temp.txt" once the editor got its path.
    Lines Report(QToolButton* button) {
        fs::remove(fakes_.Record("editor"));
        EXPECT_TRUE(button->isEnabled());
        button->click();
        const auto args = fakes_.WaitForArguments("editor");
        EXPECT_TRUE(args);
        if (!args) return {};
        EXPECT_EQ(*args, (Lines{(root_ / "temp.txt").string()}));
        const std::string text = ReadAll(root_ / "temp.txt");
        EXPECT_TRUE(text::IsValidUtf8(text));
        return SplitCrLf(text);
    }

    std::string Date(const DateTime& date, bool withTime) const {
        return w_->TextoFechaUtf8(date, withTime);
    }

    FakePrograms fakes_;
    ScopedEnv path_{"PATH", PathWith(fakes_.Bin())};
    ScopedEnv dataHome_{"XDG_DATA_HOME", (fakes_.Root() / "home").string()};
    ScopedEnv dataDirs_{"XDG_DATA_DIRS", (fakes_.Root() / "system").string()};
    Lines disco_;
    TFPrincipal* w_ = nullptr;
    fs::path saveAs_;
    std::vector<SaveFileRequest> saveRequests_;
};

// ---- Reports -----------------------------------------------------------------

TEST_F(ReportsTest, TreeReportWithAndWithoutCollections) {
    // The indent comes from the up-down beside the read-only edit.
    auto* upDown = w_->findChild<QSpinBox*>("PTTabUD");
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(upDown->value(), 8);
    upDown->setValue(3);
    EXPECT_EQ(w_->EPTTab->text(), "3");
    EXPECT_EQ(Report(w_->SBEscribeArbol),
              (Lines{"[CD-ROM] Disco", "[CD-ROM] Empty", "", "MUSIC", "", "   LIVE",
                     "      [H.D.  ] Tour", "   [DVD   ] Rock"}));
    w_->CBPTColeccionesSN->SetChecked(false);
    w_->CBPTTipodiscoSN->SetChecked(false);
    EXPECT_EQ(Report(w_->SBEscribeArbol), (Lines{"Disco", "Empty", "Tour", "Rock"}));
}

TEST_F(ReportsTest, CatalogueReportWithEveryColumn) {
    Select("Disco");
    for (TCheckBox* box :
         {w_->CBPCTamanoSN, w_->CBPCModificadoSN, w_->CBPCCreadoSN, w_->CBPCAtributosSN,
          w_->CBPCDescripcionSN, w_->CBPCAnidadosSN, w_->CBVerHoraModificado})
        box->SetChecked(true);
    w_->CBVerHoraCreado->SetChecked(false);
    w_->EPCTab->setText("4");
    const Lines report = Report(w_->SBImprimirCatalogo);

    // Built from the catalogue's fields: name padded by its length in
    // characters, the size right-aligned in 13 (never cut), the dates, the
    // attributes in 7 and the description.
    Lines expected;
    for (std::size_t i = 1; i < disco_.size(); ++i) {
        const std::string& line = disco_[i];
        if (EsLineaCarpeta(line)) {
            expected.push_back("");
            expected.push_back(std::string(DameCarpetaRuta(line)) + "  " +
                               std::string(DameCarpetaDescripcion(line)));
            continue;
        }
        const std::string name(DameFicheroNombre(line));
        const std::size_t chars = text::CharCount(name);
        const std::size_t width = chars <= 24 ? 25 : chars <= 49 ? 50 : chars <= 98 ? 100 : chars;
        const std::string size =
            FormatThousands(static_cast<std::int64_t>(DameFicheroTamano(line)));
        std::string created;
        try {
            created = Date(DameFicheroCreado(line), false);
        } catch (const EFormatoCatalogo&) {
        }
        const std::string attributes = DameFicheroAtributos(line);
        expected.push_back(name + Blanks(width - chars) +
                           Blanks(13 - std::min<std::size_t>(13, size.size())) + size + "  " +
                           Date(DameFicheroModificado(line), true) + "  " + created + "  " +
                           attributes + Blanks(7 - attributes.size()) + " " +
                           std::string(DameFicheroDescripcion(line)));
        if (!TieneAnidados(line)) continue;
        for (const auto& [path, bytes] : std::vector<std::pair<std::string, std::uint64_t>>{
                 {"a.txt", 10}, {"dir\\b.txt", kBig}, {"dir\\", 0}}) {
            const std::string s = FormatThousands(static_cast<std::int64_t>(bytes));
            expected.push_back("    " + path + Blanks(25 - path.size()) + Blanks(13 - s.size()) +
                               s + "  " + Date(kDate2001, true) + "  A");
        }
    }
    expected.erase(expected.begin()); // no empty line before the first folder
    EXPECT_EQ(report, expected);

    // The padding rules by characters: 24 (with "é", 25 bytes) to 25, 25 to 50, 99 unpadded.
    ASSERT_GE(report.size(), 4u);
    EXPECT_EQ(report[1].substr(0, NameOf(24, 'a', true).size() + 14),
              NameOf(24, 'a', true) + " " + Blanks(11) + "10");
    EXPECT_EQ(report[2].substr(0, 50), NameOf(25, 'b') + Blanks(25));
    EXPECT_EQ(report[3].substr(0, 99), NameOf(99, 'c'));
    EXPECT_EQ(report[3][99], ' ');
    // Every digit of a 3,000,000,000-byte size.
    EXPECT_NE(report[4].find(FormatThousands(static_cast<std::int64_t>(kBig))), std::string::npos);
}

TEST_F(ReportsTest, UpDownsFollowTheirEditsWithinTheirRange) {
    for (const auto& [edit, name] :
         {std::pair{w_->EPTTab, "PTTabUD"}, std::pair{w_->EPCTab, "PCTabUD"}}) {
        auto* upDown = w_->findChild<QSpinBox*>(name);
        ASSERT_NE(upDown, nullptr) << name;
        edit->setText("12");
        EXPECT_EQ(upDown->value(), 12);
        upDown->setValue(150);
        EXPECT_EQ(edit->text(), "99");
        upDown->setValue(-4);
        EXPECT_EQ(edit->text(), "0");
    }
}

TEST_F(ReportsTest, CatalogueReportWithNoColumnsStillListsNestedEntries) {
    Select("Disco");
    for (TCheckBox* box : {w_->CBPCTamanoSN, w_->CBPCModificadoSN, w_->CBPCCreadoSN,
                           w_->CBPCAtributosSN, w_->CBPCDescripcionSN})
        box->SetChecked(false);
    w_->CBPCAnidadosSN->SetChecked(true);
    w_->EPCTab->setText("0");
    const Lines report = Report(w_->SBImprimirCatalogo);
    const std::string bigText = FormatThousands(static_cast<std::int64_t>(kBig));
    const std::string date = Date(kDate2001, true);
    const Lines expected = {
        "\\  ",
        NameOf(24, 'a', true) + " ",
        NameOf(25, 'b') + Blanks(25),
        NameOf(99, 'c'),
        "big.iso" + Blanks(18),
        "quote.txt" + Blanks(16),
        "pack.zip" + Blanks(17),
        "a.txt" + Blanks(20) + Blanks(11) + "10  " + date + "  A",
        "dir\\b.txt" + Blanks(16) + Blanks(13 - bigText.size()) + bigText + "  " + date + "  A",
        "dir\\" + Blanks(21) + Blanks(12) + "0  " + date + "  A",
        "bad-created.txt" + Blanks(10),
        "",
        "\\sub  ",
        "x.txt" + Blanks(20),
    };
    EXPECT_EQ(report, expected);
    // Without the nested box the archive stands alone.
    w_->CBPCAnidadosSN->SetChecked(false);
    const Lines plain = Report(w_->SBImprimirCatalogo);
    EXPECT_EQ(plain.size(), expected.size() - 3);
}

TEST_F(ReportsTest, EmptyCatalogueGivesAnEmptyReport) {
    Select("Empty");
    EXPECT_TRUE(Report(w_->SBImprimirCatalogo).empty());
}

TEST_F(ReportsTest, DirectoryReportOfACollectionListingByRowKind) {
    Select("Music");
    TStringGrid& grid = *w_->SGDirectorio;
    ASSERT_EQ(GridColumn(grid, 2), (Lines{"Live\\", "Rock\\"}));
    EXPECT_TRUE(w_->EsFilaColeccion(1));
    EXPECT_TRUE(w_->EsFilaCatalogo(2));
    for (TCheckBox* box :
         {w_->CBVerCreado, w_->CBVerAtributos, w_->CBVerExtension, w_->CBVerDescripcion})
        box->SetChecked(false);
    w_->CBPDPrintColeccion->SetChecked(true);
    w_->CBPDPrintCatalogo->SetChecked(true);
    EXPECT_EQ(Report(w_->SBImprimirDirectorio), (Lines{"Live\\", "Rock\\"}));
    // Collections left out, catalogues kept.
    w_->CBPDPrintColeccion->SetChecked(false);
    EXPECT_EQ(Report(w_->SBImprimirDirectorio), (Lines{"Rock\\"}));
    w_->CBPDPrintColeccion->SetChecked(true);
    w_->CBPDPrintCatalogo->SetChecked(false);
    EXPECT_EQ(Report(w_->SBImprimirDirectorio), (Lines{"Live\\"}));
}

TEST_F(ReportsTest, DirectoryReportOfAFolderKeepsEveryDigitAndCharacter) {
    Select("Disco");
    TStringGrid& grid = *w_->SGDirectorio;
    for (TCheckBox* box :
         {w_->CBVerCreado, w_->CBVerAtributos, w_->CBVerExtension, w_->CBVerDescripcion,
          w_->CBPDTamanoSN, w_->CBPDModificadoSN, w_->CBPDPrintCarpeta})
        box->SetChecked(true);
    // Sizes written with a multi-byte separator (U+202F), as some locales write them.
    const std::string nbsp = "\u202F";
    int bigRow = 0, smallRow = 0;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Cells(2, row) == "big.iso") bigRow = row;
        if (grid.Cells(2, row) == NameOf(25, 'b')) smallRow = row;
    }
    ASSERT_GT(bigRow, 0);
    ASSERT_GT(smallRow, 0);
    grid.SetCells(3, bigRow, "3" + nbsp + "000" + nbsp + "000" + nbsp + "000");
    grid.SetCells(3, smallRow, "1" + nbsp + "234");

    Lines expected;
    for (int row = 1; row < grid.RowCount(); ++row) {
        const std::string name = text::AsUtf8(grid.CellView(2, row));
        const std::size_t chars = text::CharCount(name);
        const std::size_t width = chars <= 24 ? 25 : chars <= 49 ? 50 : chars <= 98 ? 100 : chars;
        const std::string size = grid.Cells(3, row);
        std::string line = name + Blanks(width - chars) +
                           Blanks(12 - std::min<std::size_t>(12, text::CharCount(size))) + size +
                           "  " + grid.Cells(4, row) + "  " + grid.Cells(5, row) + "  " +
                           grid.Cells(6, row) + "  " + grid.Cells(7, row) + "  " +
                           grid.Cells(1, row);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        expected.push_back(line);
    }
    const Lines report = Report(w_->SBImprimirDirectorio);
    EXPECT_EQ(report, expected);
    // 13 characters in a 12-wide column: kept whole; 5 characters (9 bytes): 7 blanks.
    const auto line = [&](int row) { return report.at(static_cast<std::size_t>(row - 1)); };
    EXPECT_EQ(line(bigRow).substr(25, 10 + 3 * 3),
              "3" + nbsp + "000" + nbsp + "000" + nbsp + "000");
    EXPECT_EQ(line(smallRow).substr(50, 7 + 7), Blanks(7) + "1" + nbsp + "234");
    // Folder rows left out with their option.
    w_->CBPDPrintCarpeta->SetChecked(false);
    EXPECT_EQ(Report(w_->SBImprimirDirectorio).size(), expected.size() - 1);
}

// A decomposed name (a combining acute takes no column) and a Japanese one
// (each character two columns) leave the size column where the others have it.
TEST_F(ReportsTest, NamesArePaddedByTheColumnsTheyTakeOnScreen) {
    Select("Disco");
    TStringGrid& grid = *w_->SGDirectorio;
    w_->CBPDTamanoSN->SetChecked(true);
    for (TCheckBox* box : {w_->CBPDModificadoSN, w_->CBPDPrintCarpeta})
        box->SetChecked(false);
    const std::string decomposed = "cafe\u0301 cre\u0300me.txt";
    const std::string japanese = "\u65E5\u672C\u8A9E\u306E\u6B4C.mp3";
    int plainRow = 0, firstFile = 0;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Cells(2, row) == "quote.txt") plainRow = row;
        if (firstFile == 0 && grid.Cells(2, row) == NameOf(24, 'a', true)) firstFile = row;
    }
    ASSERT_GT(plainRow, 0);
    ASSERT_GT(firstFile, 0);
    const int decomposedRow = firstFile, japaneseRow = firstFile + 1;
    grid.SetCells(2, decomposedRow, decomposed);
    grid.SetCells(2, japaneseRow, japanese);
    const Lines report = Report(w_->SBImprimirDirectorio);
    for (int row : {plainRow, decomposedRow, japaneseRow}) {
        const std::string name = grid.Cells(2, row);
        SCOPED_TRACE(name);
        const auto line = std::find_if(report.begin(), report.end(), [&](const std::string& l) {
            return l.compare(0, name.size(), name) == 0;
        });
        ASSERT_NE(line, report.end());
        const std::string size = grid.Cells(3, row);
        const std::size_t at = line->find(size, name.size());
        ASSERT_NE(at, std::string::npos) << *line;
        // The name padded to 25 columns, the size right-aligned in the next 12.
        EXPECT_EQ(text::DisplayWidth(line->substr(0, at + size.size())), 25u + 12u) << *line;
    }
}

TEST_F(ReportsTest, ResultsReportByItsOptions) {
    TStringGrid& grid = *w_->SGResultados;
    const std::string big = "3,000,000,000";
    grid.SetRowCount(3);
    grid.SetRowCells(1, {"", "Music", "Rock", "\\", " note ", "ñandú.mp3", big, "04/03/2001",
                         "05/03/2001", "A", "MP3"});
    grid.SetRowCells(2, {"", "", "Disco", "\\sub\\", "", "x.txt", "1", "d1", "d2", "AR", "TXT"});
    w_->ResultHits = 2;
    w_->SGResultadosClick();
    for (TCheckBox* box : {w_->CBPRColeccionSN, w_->CBPRCatalogoSN, w_->CBPRCarpetaSN,
                           w_->CBPRTamanoSN, w_->CBPRModificadoSN, w_->CBPRCreadoSN,
                           w_->CBPRAtributosSN, w_->CBPRExtensionSN, w_->CBPRDescripcionSN})
        box->SetChecked(true);
    EXPECT_EQ(
        Report(w_->SBImprimirExitos),
        (Lines{"Music" + Blanks(10) + "  Rock" + Blanks(11) + "  \\" + Blanks(14) + "  ñandú.mp3" +
                   Blanks(6) + "  " + big + "  04/03/2001  05/03/2001  A" + Blanks(7) + "MP3  note",
               Blanks(15) + "  Disco" + Blanks(10) + "  \\sub\\" + Blanks(10) + "  x.txt" +
                   Blanks(10) + "  " + Blanks(11) + "1  d1  d2  AR" + Blanks(6) + "TXT  "}));
    for (TCheckBox* box :
         {w_->CBPRColeccionSN, w_->CBPRCatalogoSN, w_->CBPRCarpetaSN, w_->CBPRModificadoSN,
          w_->CBPRCreadoSN, w_->CBPRAtributosSN, w_->CBPRDescripcionSN})
        box->SetChecked(false);
    // The size follows the name's blanks; the extension follows the size.
    EXPECT_EQ(Report(w_->SBImprimirExitos),
              (Lines{"ñandú.mp3" + Blanks(6) + "  " + big + "MP3",
                     "x.txt" + Blanks(10) + "  " + Blanks(11) + "1TXT"}));
}

TEST_F(ReportsTest, FailedSaveOpensNothingAndBusyRefuses) {
    // "temp.txt" is a folder holding a file: the save cannot replace it.
    fs::create_directories(root_ / "temp.txt" / "keep");
    w_->SBEscribeArbol->click();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("temp.txt"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root_ / "temp.txt" / "keep"));
    fs::remove_all(root_ / "temp.txt");

    w_->BusyFlag = true;
    w_->SBEscribeArbolClick();
    w_->BusyFlag = false;
    EXPECT_FALSE(fs::exists(root_ / "temp.txt"));
    EXPECT_FALSE(fakes_.Started("editor"));
    // No temporary file left in the root.
    for (const auto& entry : fs::directory_iterator(root_))
        EXPECT_EQ(entry.path().filename().string().find("temp.txt."), std::string::npos);
}

// A report whose save fails (a fault injected into its publishing) leaves the
// earlier report as it was and opens nothing.
TEST_F(ReportsTest, AFailedReportSaveKeepsTheEarlierReport) {
    const std::string earlier = "the earlier report\r\n";
    std::ofstream(root_ / "temp.txt", std::ios::binary) << earlier;
    {
        const test::FailedPublish fault("temp.txt", ENOSPC);
        w_->SBEscribeArbol->click();
        EXPECT_EQ(fault.Refused(), 1);
    }
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], "Cannot replace \"" +
                                         (fs::canonical(root_) / "temp.txt").string() +
                                         "\": " + std::strerror(ENOSPC));
    EXPECT_EQ(ReadAll(root_ / "temp.txt"), earlier);
    EXPECT_FALSE(fakes_.Started("editor"));
    for (const auto& entry : fs::directory_iterator(root_))
        EXPECT_EQ(entry.path().filename().string().find(".sorvane-"), std::string::npos);
}

// ---- Export ------------------------------------------------------------------

// The rows a catalogue gives, built with the catalogue's readers.
std::vector<Row> ExpectedRows(const Lines& lines, const std::string* catalogue, bool nested,
                              const std::function<std::string(const DateTime&)>& date) {
    std::vector<Row> rows;
    std::string folder;
    const auto dated = [&](auto read) {
        try {
            return date(read());
        } catch (const EFormatoCatalogo&) {
            return std::string();
        }
    };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (EsLineaCarpeta(line)) {
            folder = DameCarpetaRuta(line);
            continue;
        }
        Row row;
        if (catalogue) row.push_back(Quote(*catalogue));
        row.insert(row.end(),
                   {Quote(folder), Quote(DameFicheroNombre(line)),
                    std::to_string(DameFicheroTamano(line)),
                    dated([&] { return DameFicheroModificado(line); }),
                    dated([&] { return DameFicheroCreado(line); }),
                    Quote(DameFicheroAtributos(line)), Quote(DameFicheroDescripcion(line))});
        rows.push_back(row);
        if (!nested || !TieneAnidados(line)) continue;
        const std::string members = DameFicheroAnidados(line);
        std::size_t begin = 0;
        for (std::size_t end = members.find(kItemSeparator); end != std::string::npos;
             begin = end + 1, end = members.find(kItemSeparator, begin)) {
            const std::string entry = members.substr(begin, end - begin);
            Row member;
            if (catalogue) member.push_back(Quote(*catalogue));
            member.insert(member.end(),
                          {Quote(folder), Quote(DameAnidadoRuta(entry)),
                           std::to_string(DameAnidadoTamano(entry)), date(DameAnidadoFecha(entry)),
                           "", Quote(DameAnidadoAtributos(entry)), Quote(DameFicheroNombre(line))});
            rows.push_back(member);
        }
    }
    return rows;
}

std::vector<Row> ReadRows(const fs::path& path) {
    std::vector<Row> rows;
    for (const std::string& line : SplitCrLf(ReadAll(path)))
        rows.push_back(SplitTabs(line));
    return rows;
}

class ExportTest : public ReportsTest {
protected:
    void SetUp() override {
        ReportsTest::SetUp();
        out_ = OwnedTempFolder("export-out");
        saveAs_ = out_ / "out.txt";
    }
    void TearDown() override {
        // No temporary file of the export in the program folder (other tests
        // may write their own files there at the same time).
        for (const std::string& name : Listing(ProgramDir()))
            EXPECT_TRUE(name.find("out.txt") == std::string::npos &&
                        name.find("tempfullcat") == std::string::npos)
                << name;
        ReportsTest::TearDown();
    }

    static Lines Listing(const fs::path& folder) {
        Lines names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TFExportaCatalogos& Window() {
        FExportaCatalogos->FormShow();
        return *FExportaCatalogos;
    }

    std::vector<Row> Expected(const Lines& lines, const std::string* catalogue, bool nested) {
        return ExpectedRows(lines, catalogue, nested,
                            [this](const DateTime& d) { return Date(d, true); });
    }

    fs::path out_;
};

TEST_F(ExportTest, OneCatalogueWithAndWithoutMembers) {
    Select("Disco");
    TFExportaCatalogos& window = Window();
    EXPECT_TRUE(window.BExportaCatalogo->isEnabled());
    EXPECT_FALSE(window.BExportaColeccion->isEnabled());
    EXPECT_TRUE(window.BExportaTodo->isEnabled());
    for (const bool nested : {true, false}) {
        window.CBExportaAnidados->SetChecked(nested);
        recorder_.messages.clear();
        window.BExportaCatalogo->click();
        EXPECT_EQ(recorder_.messages, (Lines{"SYSTEM: Done"}));
        const std::vector<Row> rows = ReadRows(saveAs_);
        EXPECT_EQ(rows, Expected(disco_, nullptr, nested));
        for (const Row& row : rows)
            EXPECT_EQ(row.size(), 7u);
        // Every digit of a 3,000,000,000-byte size, and the quote kept inside its quotes.
        EXPECT_EQ(rows.at(3).at(2), "3000000000");
        EXPECT_EQ(rows.at(4).at(6), "\"say \"hi\" now\"");
        EXPECT_EQ(rows.size(), nested ? 11u : 8u);
    }
    EXPECT_EQ(saveRequests_.back().fileName, "Disco");
    EXPECT_EQ(saveRequests_.back().filter, "ASCII Tab (*.txt)");
    EXPECT_EQ(saveRequests_.back().defaultSuffix, "txt");
    EXPECT_EQ(Listing(out_), (Lines{"out.txt"}));
    EXPECT_EQ(window.PBExportar->value(), window.PBExportar->maximum());
    EXPECT_FALSE(w_->BusyFlag);
}

TEST_F(ExportTest, EmptyCatalogueGivesAnEmptyFile) {
    Select("Empty");
    Window().BExportaCatalogo->click();
    ASSERT_TRUE(fs::exists(saveAs_));
    EXPECT_EQ(fs::file_size(saveAs_), 0u);
    // A collection without catalogues: an empty file too, over the old one.
    std::ofstream(saveAs_) << "old\r\n";
    fs::create_directories(root_ / "Void");
    auto* node = new TNodoArbol(NodeKind::Collection);
    node->setText(0, "Void");
    w_->Arbol->addTopLevelItem(node);
    Select("Void");
    Window().BExportaColeccion->click();
    EXPECT_EQ(fs::file_size(saveAs_), 0u);
    EXPECT_EQ(recorder_.messages.back(), "SYSTEM: Done");
}

TEST_F(ExportTest, CollectionHoldsItsCataloguesInTreeOrder) {
    Select("Music");
    TFExportaCatalogos& window = Window();
    EXPECT_FALSE(window.BExportaCatalogo->isEnabled());
    EXPECT_TRUE(window.BExportaColeccion->isEnabled());
    window.CBExportaAnidados->SetChecked(true);
    window.BExportaColeccion->click();
    EXPECT_EQ(saveRequests_.back().fileName, "Music");
    const std::string tour = "Tour", rock = "Rock";
    std::vector<Row> expected =
        Expected({LineaCabecera("Tour", "H.D.", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
                  CountedFolderLine("\\", 1), FileLine("live.mp3", 400)},
                 &tour, true);
    const std::vector<Row> second =
        Expected({LineaCabecera("Rock", "DVD", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
                  CountedFolderLine("\\", 1), FileLine("song.mp3", 300)},
                 &rock, true);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(ReadRows(saveAs_), expected);
}

TEST_F(ExportTest, WholeTreeReplacesAnExistingFile) {
    std::ofstream(saveAs_) << "old contents that must go\r\n";
    Select("Music/Rock");
    TFExportaCatalogos& window = Window();
    window.CBExportaAnidados->SetChecked(true);
    window.BExportaTodo->click();
    EXPECT_EQ(saveRequests_.back().fileName, "FullCollection");
    std::vector<Row> expected;
    for (const auto& [name, lines] : std::vector<std::pair<std::string, Lines>>{
             {"Disco", disco_},
             {"Empty", {HeaderLine("Empty")}},
             {"Tour",
              {LineaCabecera("Tour", "H.D.", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
               CountedFolderLine("\\", 1), FileLine("live.mp3", 400)}},
             {"Rock",
              {LineaCabecera("Rock", "DVD", "1A2B-3C4D", "E:\\", "L", 5, 1, 2, ""),
               CountedFolderLine("\\", 1), FileLine("song.mp3", 300)}}}) {
        const std::vector<Row> rows = Expected(lines, &name, true);
        expected.insert(expected.end(), rows.begin(), rows.end());
    }
    const std::vector<Row> rows = ReadRows(saveAs_);
    EXPECT_EQ(rows, expected);
    for (const Row& row : rows)
        EXPECT_EQ(row.size(), 8u);
    EXPECT_EQ(Listing(out_), (Lines{"out.txt"}));
}

TEST_F(ExportTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old = "the earlier export\r\n";
    std::ofstream(saveAs_) << old;
    Select("Disco");
    TFExportaCatalogos& window = Window();
    window.CBExportaAnidados->SetChecked(true);
    // A write past 64 bytes fails (EFBIG) in the middle of the export.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    window.BExportaTodo->click();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("Cannot write"), std::string::npos)
        << recorder_.messages[0];
    EXPECT_EQ(ReadAll(saveAs_), old);
    EXPECT_EQ(Listing(out_), (Lines{"out.txt"}));
    EXPECT_FALSE(w_->BusyFlag);
    EXPECT_FALSE(window.Running());

    // A folder that does not exist: the reason is shown, nothing is written.
    recorder_.messages.clear();
    saveAs_ = out_ / "missing" / "out.txt";
    window.BExportaTodo->click();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("missing"), std::string::npos);
    EXPECT_FALSE(fs::exists(out_ / "missing"));
}

TEST_F(ExportTest, RunHoldsBusyAndRefusesASecondExport) {
    Select("Music");
    TFExportaCatalogos& window = Window();
    bool busy = false, running = false, buttons = true, closed = true;
    std::size_t asked = 0;
    recorder_.onSaveFile = [&](const SaveFileRequest&) {
        saveRequests_.emplace_back();
        // Runs in the export's first turn of the event loop.
        QTimer::singleShot(0, &window, [&] {
            busy = w_->BusyFlag;
            running = window.Running();
            buttons = window.BExportaColeccion->isEnabled() || window.BExportaTodo->isEnabled();
            window.BExportaTodoClick();
            window.show();
            window.close();
            closed = !window.isVisible();
            asked = saveRequests_.size();
        });
        return QString::fromStdString(saveAs_.string());
    };
    window.BExportaColeccionClick();
    EXPECT_TRUE(busy);
    EXPECT_TRUE(running);
    EXPECT_FALSE(buttons);
    EXPECT_FALSE(closed);
    EXPECT_EQ(asked, 1u); // the second export never asked for a file
    window.hide();
    EXPECT_FALSE(w_->BusyFlag);
    EXPECT_TRUE(window.BExportaColeccion->isEnabled());
    EXPECT_EQ(ReadRows(saveAs_).size(), 2u);
}

} // namespace
} // namespace sorvane
