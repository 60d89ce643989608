// The search page around the run, started on a temporary catalogue root: the
// four layouts and the option handlers read back from the controls, the
// stretches a hit cell marks as painted, the result buttons by the
// kind of the current row, the copied result file byte for byte, and opening a
// hit on a drive pinned to a temporary folder, with stand-ins for the desktop's
// programs that write down how they were started.
//
// Fixtures, built by the test: a collection "Hits" holding the catalogue
// "Hitlist" of drive Z (pinned to a temporary folder with the files on it), a
// catalogue "Missing" at the top whose serial no drive carries.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/DriveInfo.h"
#include "dialogs/Language.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

constexpr DateTime kDate = kDate2001;

std::string Coded(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}

std::string File(const std::string& name, std::uint64_t size, const std::string& description = "",
                 const std::string& tail = "") {
    const std::string line = FileLine(name, size, Dos(kDate), Dos(kDate), tail);
    return description.empty() ? line : PonDescripcion(line, description);
}

// An archive with one nested entry.
std::string Nested(const std::string& name) {
    return std::string(1, kNestedBracket) + CodificaFecha(*DateTimeToDosDate(kDate)) +
           CodificaTamano(300) + "2" + name + kNestedBracket;
}

// A music block: 4:05, stereo, 44100 Hz, 192k, year 1998, track 3, "Rock".
std::string Music() {
    return std::string(1, kMediaBracket) + Coded(245, 3) + "2" + Coded(44100, 3) + Coded(192, 2) +
           Coded(98, 2) + Coded(3, 2) + "Rock" + kMediaBracket;
}

void WriteScript(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Types `text` into `widget` one key at a time, as the keyboard does (any character).
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// Clicks a radio button on its indicator, where a click always lands on it.
void ClickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

class SearchPageTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("search-page");
        disk_ = OwnedTempFolder("search-disk");
        bin_ = OwnedTempFolder("search-bin");
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (bin_.string() + ":" + oldPath_).c_str(), 1);
        ::setenv("SORVANE_DRIVES", ("Z=" + disk_.string()).c_str(), 1);
        recorder_.onSaveFile = [this](const SaveFileRequest& request) {
            saveRequests_.push_back(request);
            return savePath_;
        };
        OpenWindows();
    }
    void TearDown() override {
        WindowTestRoot::TearDown();
        ::setenv("PATH", oldPath_.c_str(), 1);
        ::unsetenv("SORVANE_DRIVES");
    }

    void Start() {
        DriveInfo().Refresh('Z', kRefreshAll);
        const std::string serial = LeeNumeroSerie('Z');
        fs::create_directories(root_ / "Hits");
        WriteLines(root_ / "Hits" / "Hitlist.tct",
                   {LineaCabecera("Hitlist", "CD-ROM", serial, "Z:\\", "HITS", 5, 1000, 2000, ""),
                    FolderLine("Z:\\"), File("hit.txt", 100, "has | bar"), File("hitabsent.txt", 7),
                    File("pack.zip", 500, "", Nested("hitnested.txt")),
                    File("hitsong.mp3", 4'000'000, "", Music()), FolderLine("Z:\\Hitfolder\\"),
                    File("inner.txt", 5)});
        WriteLines(root_ / "Missing.tct",
                   {LineaCabecera("Missing", "CD-ROM", "ABCD-1234", "Y:\\", "GONE", 5, 1, 2, ""),
                    FolderLine("Y:\\"), File("hitgone.txt", 9)});
        std::ofstream(disk_ / "hit.txt") << "text";
        std::ofstream(disk_ / "hitsong.mp3") << "music";
        fs::create_directories(disk_ / "Hitfolder");

        FPrincipal->resize(1600, 900);
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
        FPrincipal->show();
        FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
        FPrincipal->DateTimeFormat = "yyyy-MM-dd HH:mm:ss";
        recorder_.messages.clear();
    }

    void Search(const std::string& text) {
        FPrincipal->EBuscar->setText(QString::fromStdString(text));
        FPrincipal->BBuscarClick();
        ASSERT_FALSE(FPrincipal->BusyFlag);
    }

    // The result row whose name column holds `name`; 0 when none does.
    int RowOf(const std::string& name) {
        for (int row = 1; row < FPrincipal->SGResultados->RowCount(); ++row)
            if (FPrincipal->SGResultados->Cells(5, row) == name) return row;
        return 0;
    }

    // The lines the stand-in programs wrote, once `count` are there (5 s at most).
    std::vector<std::string> Launches(std::size_t count) {
        std::vector<std::string> lines;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        do {
            lines.clear();
            std::istringstream text(ReadFile(bin_ / "log"));
            for (std::string line; std::getline(text, line);)
                lines.push_back(line);
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < until);
        return lines;
    }

    fs::path disk_, bin_;
    std::string oldPath_;
    std::vector<SaveFileRequest> saveRequests_;
    QString savePath_;
};

// ---- Layouts ------------------------------------------------------------------

struct LayoutCase {
    bool advanced, media;
};

TEST_F(SearchPageTest, EachLayoutShowsItsGroupsAndPlacesTheSimplePanel) {
    Start();
    TFPrincipal& w = *FPrincipal;
    const std::vector<QWidget*> advancedControls = {
        w.GBAtributos,    w.GBModificado, w.GBCreado, w.GBTamano,       w.GBDonde,
        w.GBCuales,       w.EExtension,   w.GBTipo,   w.GBLimitaciones, w.SBCopiar,
        w.SBAbreExitoCon, w.RBAnd,        w.RBOr,     w.EBuscar2};
    const std::vector<QWidget*> mediaGroups = {
        w.GBDuracion, w.GBResolucion, w.GBCalidad, w.GBCanales, w.GBAno, w.GBGenero, w.GBPista};
    const LayoutCase cases[] = {{true, false}, {false, true}, {true, true}, {false, false}};
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(std::string("advanced ") + (c.advanced ? "on" : "off") + ", media " +
                     (c.media ? "on" : "off"));
        w.CBAvanzada->SetChecked(c.advanced);
        w.CBMultimedia->SetChecked(c.media);
        w.TSBuscar->layout()->activate();
        w.PBuscarDatos->layout()->activate();
        QApplication::processEvents();
        for (QWidget* control : advancedControls)
            EXPECT_EQ(control->isVisible(), c.advanced) << control->objectName().toStdString();
        for (QWidget* group : mediaGroups)
            EXPECT_EQ(group->isVisible(), c.media) << group->objectName().toStdString();
        EXPECT_TRUE(w.GBopciones->isVisible());
        EXPECT_TRUE(w.EBuscar->isVisible());
        EXPECT_EQ(w.LBuscarTipIzquierdo->isVisible(), !c.advanced && !c.media);
        EXPECT_EQ(w.LBuscarTipDerecho->isVisible(), !c.advanced && !c.media);

        // Where the simple panel stands in the criteria panel.
        const auto box = [&](QWidget* widget) {
            return QRect(widget->mapTo(w.PBuscarDatos, QPoint(0, 0)), widget->size());
        };
        const QRect panel = box(w.PBuscarSencillo);
        if (c.advanced) {
            EXPECT_GT(panel.left(), box(w.GBTipo).right());
        }
        if (c.media) {
            EXPECT_LT(panel.right(), box(w.GBDuracion).left());
        }
        if (!c.advanced && !c.media) {
            EXPECT_NEAR(panel.center().x(), w.PBuscarDatos->width() / 2, 40);
            EXPECT_LT(box(w.LBuscarTipIzquierdo).right(), panel.left());
            EXPECT_GT(box(w.LBuscarTipDerecho).left(), panel.right());
        }
        // Text 1 takes the panel's width alone, and half of it beside text 2.
        if (c.advanced)
            EXPECT_NEAR(w.EBuscar->width(), w.EBuscar2->width(), 2);
        else
            EXPECT_GT(w.EBuscar->width(), panel.width() * 3 / 4);
    }
}

TEST_F(SearchPageTest, HidingAGroupResetsItsCriteria) {
    Start();
    TFPrincipal& w = *FPrincipal;
    w.CBAvanzada->SetChecked(true);
    w.CBMultimedia->SetChecked(true);
    for (QLineEdit* edit :
         {w.EInicial, w.EFinal, w.EInicialCre, w.EFinalCre, w.CBMin, w.CBMax, w.EBuscar2})
        edit->setText("1");
    w.GBDonde->SetItemIndex(1);
    w.GBCuales->SetItemIndex(3);
    w.RBDifusa->setChecked(true);
    w.CBAtributos->SetChecked(true);
    w.CBAnidadosAttr->SetChecked(true);
    w.CBAnidados->SetChecked(false);
    w.CBSoloCat->SetChecked(true);
    w.CBSoloCol->SetChecked(true);
    w.CBMayusculas->SetChecked(false);
    w.CBTildes->SetChecked(false);
    w.CBParte->SetChecked(false);
    const std::vector<QLineEdit*> mediaEdits = {
        w.EDuracionIni, w.EduracionFin, w.EPaginasIni, w.EPaginasFin, w.EAnchoMin,   w.EAnchoMax,
        w.EAltoMin,     w.EAltoMax,     w.EFrecMin,    w.EFrecMax,    w.ECalidadMin, w.ECalidadMax,
        w.EAnoMin,      w.EAnoMax,      w.EGenero,     w.ETrackMin,   w.ETrackMax};
    for (QLineEdit* edit : mediaEdits)
        edit->setText("2");
    w.CBcanales2->SetChecked(true);

    w.CBAvanzada->SetChecked(false);
    for (QLineEdit* edit :
         {w.EInicial, w.EFinal, w.EInicialCre, w.EFinalCre, w.CBMin, w.CBMax, w.EBuscar2})
        EXPECT_EQ(edit->text(), "") << edit->objectName().toStdString();
    EXPECT_EQ(w.GBDonde->ItemIndex(), 0);
    EXPECT_EQ(w.GBCuales->ItemIndex(), 0);
    EXPECT_TRUE(w.RBNormal->isChecked());
    EXPECT_FALSE(w.RBDifusa->isChecked());
    EXPECT_TRUE(w.CBParte->isEnabled());
    EXPECT_FALSE(w.ENumErrores->isEnabled());
    EXPECT_FALSE(w.CBAtributos->Checked());
    EXPECT_FALSE(w.CBAnidadosAttr->isEnabled());
    EXPECT_TRUE(w.CBAnidados->Checked());
    EXPECT_TRUE(w.CBAnidados->isEnabled()); // no hidden letter keeps nested entries out
    EXPECT_FALSE(w.CBSoloCat->Checked());
    EXPECT_FALSE(w.CBSoloCol->Checked());
    EXPECT_TRUE(w.CBMayusculas->Checked());
    EXPECT_TRUE(w.CBTildes->Checked());
    EXPECT_TRUE(w.CBParte->Checked());
    EXPECT_EQ(w.EExtension->text(), "MP3"); // kept, but off with item 0
    EXPECT_FALSE(w.EExtension->isEnabled());
    // The media criteria stay while their groups show.
    for (QLineEdit* edit : mediaEdits)
        EXPECT_EQ(edit->text(), "2") << edit->objectName().toStdString();

    w.CBMultimedia->SetChecked(false);
    for (QLineEdit* edit : mediaEdits)
        EXPECT_EQ(edit->text(), "") << edit->objectName().toStdString();
    EXPECT_FALSE(w.CBCanales1->Checked());
    EXPECT_FALSE(w.CBcanales2->Checked());

    // A search with the page reset finds what the simple page asks for.
    Search("hit.txt");
    EXPECT_EQ(RowOf("hit.txt"), 1);
}

// ---- Option handlers ----------------------------------------------------------

struct OptionCase {
    const char* what;
    std::function<void(TFPrincipal&)> act;
    std::function<void(TFPrincipal&)> check;
};

TEST_F(SearchPageTest, OptionHandlersKeepTheirControlsInStep) {
    Start();
    FPrincipal->CBAvanzada->SetChecked(true);
    FPrincipal->CBMultimedia->SetChecked(true);
    const std::vector<OptionCase> cases = {
        {"description only leaves nested entries out",
         [](TFPrincipal& w) { w.GBDonde->SetItemIndex(1); },
         [](TFPrincipal& w) { EXPECT_FALSE(w.CBAnidados->isEnabled()); }},
        {"names bring them back", [](TFPrincipal& w) { w.GBDonde->SetItemIndex(2); },
         [](TFPrincipal& w) { EXPECT_TRUE(w.CBAnidados->isEnabled()); }},
        {"the extension box is for the extension choice",
         [](TFPrincipal& w) { w.GBCuales->SetItemIndex(3); },
         [](TFPrincipal& w) { EXPECT_TRUE(w.EExtension->isEnabled()); }},
        {"and off for the others", [](TFPrincipal& w) { w.GBCuales->SetItemIndex(4); },
         [](TFPrincipal& w) { EXPECT_FALSE(w.EExtension->isEnabled()); }},
        {"an extension put in the box chooses it",
         [](TFPrincipal& w) { w.EExtension->setText("ogg"); },
         [](TFPrincipal& w) {
             EXPECT_EQ(w.GBCuales->ItemIndex(), 3);
             EXPECT_TRUE(w.EExtension->isEnabled());
         }},
        {"blanks do not",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(1);
             w.EExtension->setText("  ");
         },
         [](TFPrincipal& w) { EXPECT_EQ(w.GBCuales->ItemIndex(), 1); }},
        {"attribute letters follow their switch, and keep their checks",
         [](TFPrincipal& w) {
             w.CBAtributos->SetChecked(true);
             w.CBArchivo->SetChecked(true);
             w.CBAtributos->SetChecked(false);
         },
         [](TFPrincipal& w) {
             for (TCheckBox* box : {w.CBAnidadosAttr, w.CBMultimediaAttr, w.CBArchivo, w.CBLectura,
                                    w.CBOculto, w.CBSistema, w.CBComprimido, w.CBOffLine})
                 EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
             EXPECT_TRUE(w.CBArchivo->Checked());
         }},
        {"attribute letters on", [](TFPrincipal& w) { w.CBAtributos->SetChecked(true); },
         [](TFPrincipal& w) {
             for (TCheckBox* box : {w.CBAnidadosAttr, w.CBMultimediaAttr, w.CBArchivo, w.CBLectura,
                                    w.CBOculto, w.CBSistema, w.CBComprimido, w.CBOffLine})
                 EXPECT_TRUE(box->isEnabled()) << box->objectName().toStdString();
         }},
        {"the fuzzy mode takes an error count and no whole word",
         [](TFPrincipal& w) { ClickRadio(w.RBDifusa); },
         [](TFPrincipal& w) {
             EXPECT_TRUE(w.RBDifusa->isChecked());
             EXPECT_FALSE(w.RBNormal->isChecked());
             EXPECT_FALSE(w.CBParte->isEnabled());
             EXPECT_TRUE(w.ENumErrores->isEnabled());
         }},
        {"a mask neither", [](TFPrincipal& w) { ClickRadio(w.RBComodines); },
         [](TFPrincipal& w) {
             EXPECT_FALSE(w.RBDifusa->isChecked());
             EXPECT_FALSE(w.CBParte->isEnabled());
             EXPECT_FALSE(w.ENumErrores->isEnabled());
         }},
        {"a simple mask neither", [](TFPrincipal& w) { ClickRadio(w.RBComodin); },
         [](TFPrincipal& w) {
             EXPECT_FALSE(w.RBComodines->isChecked());
             EXPECT_FALSE(w.CBParte->isEnabled());
             EXPECT_FALSE(w.ENumErrores->isEnabled());
         }},
        {"the substring mode takes the whole word", [](TFPrincipal& w) { ClickRadio(w.RBNormal); },
         [](TFPrincipal& w) {
             EXPECT_FALSE(w.RBComodin->isChecked());
             EXPECT_TRUE(w.CBParte->isEnabled());
             EXPECT_FALSE(w.ENumErrores->isEnabled());
         }},
        {"asking for archives keeps nested entries out",
         [](TFPrincipal& w) {
             w.GBDonde->SetItemIndex(0);
             w.CBAnidadosAttr->SetChecked(true);
         },
         [](TFPrincipal& w) { EXPECT_FALSE(w.CBAnidados->isEnabled()); }},
        {"of archives and media the one clicked last stays",
         [](TFPrincipal& w) { w.CBMultimediaAttr->SetChecked(true); },
         [](TFPrincipal& w) {
             EXPECT_TRUE(w.CBMultimediaAttr->Checked());
             EXPECT_FALSE(w.CBAnidadosAttr->Checked());
             EXPECT_FALSE(w.CBAnidados->isEnabled());
         }},
        {"and the other way round", [](TFPrincipal& w) { w.CBAnidadosAttr->SetChecked(true); },
         [](TFPrincipal& w) {
             EXPECT_TRUE(w.CBAnidadosAttr->Checked());
             EXPECT_FALSE(w.CBMultimediaAttr->Checked());
             EXPECT_FALSE(w.CBAnidados->isEnabled());
         }},
        {"neither letter lets nested entries in again",
         [](TFPrincipal& w) { w.CBAnidadosAttr->SetChecked(false); },
         [](TFPrincipal& w) { EXPECT_TRUE(w.CBAnidados->isEnabled()); }},
        {"one channel count at a time",
         [](TFPrincipal& w) {
             w.CBCanales1->SetChecked(true);
             w.CBcanales2->SetChecked(true);
         },
         [](TFPrincipal& w) {
             EXPECT_FALSE(w.CBCanales1->Checked());
             EXPECT_TRUE(w.CBcanales2->Checked());
         }},
        {"and back", [](TFPrincipal& w) { w.CBCanales1->SetChecked(true); },
         [](TFPrincipal& w) {
             EXPECT_TRUE(w.CBCanales1->Checked());
             EXPECT_FALSE(w.CBcanales2->Checked());
         }},
        {"AND and OR exclude each other", [](TFPrincipal& w) { ClickRadio(w.RBOr); },
         [](TFPrincipal& w) {
             EXPECT_TRUE(w.RBOr->isChecked());
             EXPECT_FALSE(w.RBAnd->isChecked());
         }},
        {"the error count stays below the length of text 1",
         [](TFPrincipal& w) {
             w.EBuscar->clear();
             w.ENumErrores->setValue(0);
             Type(w.EBuscar, "colour");
         },
         [](TFPrincipal& w) {
             EXPECT_EQ(w.ENumErrores->maximum(), 5);
             EXPECT_EQ(w.ENumErrores->value(), 1);
         }},
        {"characters count, not bytes",
         [](TFPrincipal& w) {
             w.EBuscar->clear();
             Type(w.EBuscar, "niño");
         },
         [](TFPrincipal& w) { EXPECT_EQ(w.ENumErrores->maximum(), 3); }},
        {"a short text 1 allows one",
         [](TFPrincipal& w) {
             w.EBuscar->clear();
             Type(w.EBuscar, "a");
         },
         [](TFPrincipal& w) { EXPECT_EQ(w.ENumErrores->maximum(), 1); }},
        {"typing text 2 looks at text 1",
         [](TFPrincipal& w) {
             w.ENumErrores->setValue(0);
             Type(w.EBuscar2, "longer text");
         },
         [](TFPrincipal& w) {
             EXPECT_EQ(w.ENumErrores->maximum(), 1);
             EXPECT_EQ(w.ENumErrores->value(), 1);
         }},
        {"a text trimmed by the search keeps the error count",
         [](TFPrincipal& w) {
             ClickRadio(w.RBDifusa);
             w.EBuscar->clear();
             Type(w.EBuscar, " hitsong ");
             w.ENumErrores->setValue(3);
             w.BBuscarClick();
         },
         [](TFPrincipal& w) {
             EXPECT_EQ(w.EBuscar->text(), "hitsong");
             EXPECT_EQ(w.ENumErrores->value(), 3);
         }},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.what);
        c.act(*FPrincipal);
        c.check(*FPrincipal);
    }
}

// ---- Hit drawing --------------------------------------------------------------

// The x positions (cell coordinates) of the cell's pixels drawn in `wanted`.
std::vector<int> PaintedColumns(TStringGrid& grid, int col, int row,
                                const std::function<bool(QColor)>& wanted) {
    grid.viewport()->update();
    QApplication::processEvents();
    const QImage image = grid.grab().toImage();
    const QRect cell = grid.CellRect(col, row);
    std::vector<int> columns;
    for (int x = cell.left(); x <= cell.right(); ++x)
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            if (wanted(image.pixelColor(x, y))) {
                columns.push_back(x - cell.left());
                break;
            }
    return columns;
}

bool Red(QColor c) {
    return c.red() > 160 && c.green() < 90 && c.blue() < 90;
}
bool Blue(QColor c) {
    return c.blue() > 160 && c.red() < 90 && c.green() < 90;
}

TEST_F(SearchPageTest, MatchedStretchesArePaintedInTheHitStyle) {
    Start();
    TFPrincipal& w = *FPrincipal;
    w.HitRedBold = false;
    w.HitRed = true; // red without bold: the marked text keeps its width
    w.CBAvanzada->SetChecked(true);
    Search("song");
    const int row = RowOf("hitsong.mp3");
    ASSERT_GT(row, 0);
    TStringGrid& grid = *w.SGResultados;
    ASSERT_EQ(grid.Cells(19, row), "4 7");
    grid.SetColWidths(5, 300);
    grid.SetCurrentCell(9, row); // the cell under test is not the highlighted one
    const QFontMetrics metrics(grid.font());
    const int start = 2 + metrics.horizontalAdvance("hit");
    const int end = start + metrics.horizontalAdvance("song");
    const int textEnd = 2 + metrics.horizontalAdvance("hitsong.mp3");

    // Substring mode: only "song" is red; the rest of a media file's name takes
    // the colour of its kind (music: blue).
    std::vector<int> red = PaintedColumns(grid, 5, row, Red);
    ASSERT_FALSE(red.empty());
    EXPECT_GE(red.front(), start - 1);
    EXPECT_LE(red.back(), end + 1);
    EXPECT_GT(red.back() - red.front(), (end - start) / 2);
    const std::vector<int> blue = PaintedColumns(grid, 5, row, Blue);
    ASSERT_FALSE(blue.empty());
    EXPECT_LT(blue.front(), start);
    EXPECT_GT(blue.back(), end);
    EXPECT_LE(blue.back(), textEnd + 1);

    // Bold only: nothing red.
    w.HitRed = false;
    w.HitBold = true;
    EXPECT_TRUE(PaintedColumns(grid, 5, row, Red).empty());

    // Wildcard mode: a matched name is red as a whole, an unmatched one plain.
    w.HitBold = false;
    w.HitRed = true;
    w.RBComodin->setChecked(true);
    Search("*song*");
    const int masked = RowOf("hitsong.mp3");
    ASSERT_GT(masked, 0);
    grid.SetColWidths(5, 300);
    grid.SetCurrentCell(9, masked);
    red = PaintedColumns(grid, 5, masked, Red);
    ASSERT_FALSE(red.empty());
    EXPECT_LE(red.front(), 3);
    EXPECT_GE(red.back(), textEnd - 3);
    grid.SetCells(19, masked, "0 0");
    EXPECT_TRUE(PaintedColumns(grid, 5, masked, Red).empty());
    EXPECT_TRUE(PaintedColumns(grid, 5, masked, Blue).empty()); // no media colour either
}

// ---- Result buttons -----------------------------------------------------------

struct KindCase {
    const char* name; // column 5 of the row, or column 1 / 2 for a hit on a tree name
    int nameColumn;
    bool fileGroup, placeGroup;
};

TEST_F(SearchPageTest, ResultButtonsFollowWhatTheCurrentRowShows) {
    Start();
    TFPrincipal& w = *FPrincipal;
    const auto fileGroup = [&] {
        return std::vector<bool>{w.SBAbreExitoNotepad->isEnabled(),
                                 w.SBAbreExitoSistema->isEnabled(), w.SBAbreExitoCon->isEnabled(),
                                 w.SBEncolarExitoWinamp->isEnabled()};
    };
    const auto placeGroup = [&] {
        // Adding to the collector follows the place group once it is built.
        EXPECT_EQ(w.SBAddColectorBuscar->isEnabled(), w.SBExplorarExito->isEnabled());
        return std::vector<bool>{w.SBExplorarExito->isEnabled(), w.SBVerCatalogo->isEnabled()};
    };
    // Before any search: nothing to act on.
    EXPECT_FALSE(w.SBCopiar->isEnabled());
    EXPECT_FALSE(w.SBImprimirExitos->isEnabled());
    EXPECT_EQ(fileGroup(), std::vector<bool>(4, false));
    EXPECT_EQ(placeGroup(), std::vector<bool>(2, false));

    Search("hit");
    EXPECT_TRUE(w.SBCopiar->isEnabled());
    EXPECT_TRUE(w.SBImprimirExitos->isEnabled());
    const std::vector<KindCase> cases = {
        {"\\Hits", 1, false, false},        // the collection's name
        {"Hitlist", 2, false, false},       // the catalogue's name
        {"Hitfolder\\", 5, false, true},    // a folder
        {"hit.txt", 5, true, true},         // a file, though its description holds "|"
        {"hitnested.txt", 5, false, false}, // an entry inside an archive
        {"hitsong.mp3", 5, true, true},     // a file
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        int row = 0;
        for (int r = 1; r < w.SGResultados->RowCount() && row == 0; ++r)
            if (w.SGResultados->Cells(c.nameColumn, r) == c.name &&
                (c.nameColumn == 5 || w.SGResultados->Cells(5, r).empty()) &&
                (c.nameColumn != 1 || w.SGResultados->Cells(2, r).empty()))
                row = r;
        ASSERT_GT(row, 0);
        w.SGResultados->SetRow(row == 1 ? 2 : 1);
        w.SGResultados->SetRow(row); // as a click or a key moves it
        EXPECT_EQ(fileGroup(), std::vector<bool>(4, c.fileGroup));
        EXPECT_EQ(placeGroup(), std::vector<bool>(2, c.placeGroup));
    }

    // The kind moves with its row when the rows are reordered.
    const int file = RowOf("hit.txt");
    std::vector<int> reversed;
    for (int r = w.SGResultados->RowCount() - 1; r >= 1; --r)
        reversed.push_back(r);
    w.SGResultados->MoveRows(reversed);
    const int moved = RowOf("hit.txt");
    ASSERT_NE(moved, file);
    w.SGResultados->SetRow(moved == 1 ? 2 : 1);
    w.SGResultados->SetRow(moved);
    EXPECT_EQ(fileGroup(), std::vector<bool>(4, true));

    // No hits: the list and both groups are off, whatever the row shows.
    Search("no such thing");
    EXPECT_FALSE(w.SBCopiar->isEnabled());
    EXPECT_FALSE(w.SBImprimirExitos->isEnabled());
    EXPECT_EQ(fileGroup(), std::vector<bool>(4, false));
    EXPECT_EQ(placeGroup(), std::vector<bool>(2, false));
    w.SGResultados->SetCells(5, 1, "typed.txt"); // text alone makes no result
    w.SGResultadosClick();
    EXPECT_FALSE(w.SBCopiar->isEnabled());
    EXPECT_EQ(fileGroup(), std::vector<bool>(4, false));
}

// ---- Copy ---------------------------------------------------------------------

TEST_F(SearchPageTest, CopyWritesTheResultsAsTabSeparatedText) {
    Start();
    TFPrincipal& w = *FPrincipal;
    w.CBAvanzada->SetChecked(true);
    w.RBOr->setChecked(true);
    w.EBuscar2->setText("hitabsent");
    Search("hit.txt");
    ASSERT_EQ(w.SGResultados->RowCount(), 3);
    ASSERT_EQ(RowOf("hit.txt"), 1);
    ASSERT_EQ(RowOf("hitabsent.txt"), 2);
    // Blanks around the collection path go, dots and commas of the size go,
    // quotes inside a cell stay as they are.
    w.SGResultados->SetCells(1, 1, "  \\Hits \t");
    w.SGResultados->SetCells(4, 2, "say \"hi\"");
    w.SGResultados->SetCells(6, 2, "12.345.678");

    savePath_ = QString::fromStdString((root_ / "hits.txt").string());
    QTest::mouseClick(w.SBCopiar, Qt::LeftButton);
    ASSERT_EQ(saveRequests_.size(), 1u);
    EXPECT_EQ(saveRequests_[0].fileName, "2");
    EXPECT_EQ(saveRequests_[0].filter, "ASCII Tab (*.txt)");
    EXPECT_EQ(saveRequests_[0].defaultSuffix, "txt");
    const std::string date = "2001-03-04 10:30:00";
    EXPECT_EQ(ReadFile(root_ / "hits.txt"),
              "\"\\Hits\"\t\"Hitlist\"\t\"\\\"\t\"has | bar\"\t\"hit.txt\"\t100\t" + date + "\t" +
                  date +
                  "\tA\r\n"
                  "\"\\Hits\"\t\"Hitlist\"\t\"\\\"\t\"say \"hi\"\"\t\"hitabsent.txt\"\t12345678\t" +
                  date + "\t" + date + "\tA\r\n");
    EXPECT_FALSE(w.BusyFlag);
    EXPECT_EQ(w.ScanBuffer.Count(), 0u);
    EXPECT_TRUE(recorder_.messages.empty());

    // Cancelled: nothing written.
    fs::remove(root_ / "hits.txt");
    savePath_.clear();
    w.BCopiarClick();
    EXPECT_EQ(saveRequests_.size(), 2u);
    EXPECT_FALSE(fs::exists(root_ / "hits.txt"));
    EXPECT_FALSE(w.BusyFlag);

    // A file that cannot be written: the system's reason, and the page is free again.
    savePath_ = QString::fromStdString((root_ / "no such folder" / "hits.txt").string());
    w.BCopiarClick();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("hits.txt"), std::string::npos) << recorder_.messages[0];
    EXPECT_FALSE(w.BusyFlag);
    EXPECT_EQ(w.ScanBuffer.Count(), 0u);

    // Busy or without results, no dialog opens.
    w.BusyFlag = true;
    w.BCopiarClick();
    w.BusyFlag = false;
    EXPECT_EQ(saveRequests_.size(), 3u);
    w.EBuscar2->clear();
    Search("no such thing");
    w.BCopiarClick();
    EXPECT_EQ(saveRequests_.size(), 3u);
}

// ---- Opening a hit ------------------------------------------------------------

struct OpenCase {
    const char* what;
    const char* name; // column 5 of the hit
    QToolButton* TFPrincipal::*button;
    std::string launched; // what the stand-in wrote, "" when nothing starts
    const char* messageKey;
};

TEST_F(SearchPageTest, OpeningAHitHandsItsPathOnTheDiskToTheOpener) {
    const std::string log = (bin_ / "log").string();
    WriteScript(bin_ / "xdg-open", "echo \"xdg-open $*\" >> '" + log + "'");
    WriteScript(bin_ / "xdg-mime", "exit 1");
    WriteScript(bin_ / "player", "echo \"player $*\" >> '" + log + "'");
    Start();
    TFPrincipal& w = *FPrincipal;
    w.EPathWinAmp->setText(QString::fromStdString((bin_ / "player").string()));
    const std::string disk = disk_.string();
    Search("hit");
    const std::vector<OpenCase> cases = {
        {"a file with its program", "hit.txt", &TFPrincipal::SBAbreExitoSistema,
         "xdg-open " + disk + "/hit.txt", nullptr},
        {"a file in the text editor", "hit.txt", &TFPrincipal::SBAbreExitoNotepad,
         "xdg-open " + disk + "/hit.txt", nullptr},
        {"a song to the player", "hitsong.mp3", &TFPrincipal::SBEncolarExitoWinamp,
         "player /ADD " + disk + "/hitsong.mp3", nullptr},
        {"the folder of a file", "hitsong.mp3", &TFPrincipal::SBExplorarExito,
         "xdg-open " + disk + "/", nullptr},
        {"a folder shows the folder that holds it", "Hitfolder\\", &TFPrincipal::SBExplorarExito,
         "xdg-open " + disk + "/", nullptr},
        {"a file the disk does not hold", "hitabsent.txt", &TFPrincipal::SBAbreExitoSistema, "",
         "M_FICHERO_NOENCONTRADO"},
        {"a disk in no drive", "hitgone.txt", &TFPrincipal::SBAbreExitoSistema, "",
         "M_DISCO_NOENCONTRADO"},
    };
    std::size_t launches = 0;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        recorder_.messages.clear();
        const int row = RowOf(c.name);
        ASSERT_GT(row, 0);
        w.SGResultados->SetRow(row == 1 ? 2 : 1);
        w.SGResultados->SetRow(row);
        QToolButton* button = w.*c.button;
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        if (c.messageKey == nullptr) {
            EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
            const std::vector<std::string> lines = Launches(++launches);
            ASSERT_EQ(lines.size(), launches);
            EXPECT_EQ(lines.back(), c.launched);
        } else {
            std::string expected = LeeTexto("M", c.messageKey);
            if (std::string(c.messageKey) == "M_DISCO_NOENCONTRADO") expected += "\r\n\r\nMissing";
            EXPECT_EQ(recorder_.messages, std::vector<std::string>{expected});
        }
    }

    // A double click opens a file with its program and shows the place of a folder.
    recorder_.messages.clear();
    const auto doubleClick = [&](const char* name) {
        const int row = RowOf(name);
        const QRect cell = w.SGResultados->CellRect(5, row);
        const QPoint offset = w.SGResultados->viewport()->mapTo(w.SGResultados, QPoint(0, 0));
        QTest::mouseDClick(w.SGResultados->viewport(), Qt::LeftButton, {}, cell.center() - offset);
    };
    doubleClick("hit.txt");
    std::vector<std::string> lines = Launches(++launches);
    ASSERT_EQ(lines.size(), launches);
    EXPECT_EQ(lines.back(), "xdg-open " + disk + "/hit.txt");
    doubleClick("Hitfolder\\");
    lines = Launches(++launches);
    ASSERT_EQ(lines.size(), launches);
    EXPECT_EQ(lines.back(), "xdg-open " + disk + "/");
    // An entry inside an archive cannot be opened.
    doubleClick("hitnested.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Launches(launches).size(), launches);
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
}

} // namespace
} // namespace sorvane
