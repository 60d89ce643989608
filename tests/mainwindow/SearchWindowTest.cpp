// The search page of the main window started on a temporary catalogue root:
// every check of the criteria with its message and focus, runs read back from
// SGResultados and the status bar, the scope boxes, the stop button, the hit
// limit, damaged lines in the error window and the page given back after a run.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/SearchEngine.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TreeNode.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

constexpr DateTime kModified = kDate2001;

std::string File(const std::string& name, std::uint64_t size, DateTime modified = kModified,
                 const std::string& nested = "") {
    return FileLine(name, size, Dos(modified), kDos2001, nested);
}

class SearchWindowTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("search");
        OpenWindows();
    }

    // A collection with one catalogue, and a catalogue at the top.
    void Start() {
        fs::create_directories(root_ / "Backups");
        const std::string zip = std::string(1, kNestedBracket) +
                                CodificaFecha(Dos({2002, 5, 6, 8, 0, 0})) + CodificaTamano(300) +
                                "2" + "COLOR.BMP" + kNestedBracket;
        WriteLines(root_ / "Backups" / "Disco.tct",
                   {HeaderLine("Disco"), FolderLine("E:\\"), File("report.doc", 1234),
                    File("colour.zip", 5000, kModified, zip), FolderLine("E:\\Music\\"),
                    File("song.mp3", 4'000'000, {1999, 6, 1, 12, 0, 0}),
                    File("canción.txt", 10, {2001, 3, 5, 0, 0, 0})});
        WriteLines(root_ / "Other.tct",
                   {HeaderLine("Other"), FolderLine("E:\\"), File("report2.doc", 77)});
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
        FPrincipal->show();
        FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
        // Every criterion on show, as the checks below set and focus them.
        FPrincipal->CBAvanzada->SetChecked(true);
        FPrincipal->CBMultimedia->SetChecked(true);
        recorder_.messages.clear();
    }

    std::vector<std::string> Column(int col) { return GridColumn(*FPrincipal->SGResultados, col); }

    std::string Status() { return FPrincipal->SBPrincipal->Panels(1).Text().toStdString(); }
};

// ---- The checks, in their order ---------------------------------------------

struct CheckCase {
    const char* what;
    std::function<void(TFPrincipal&)> set;
    std::vector<const char*> keys; // the messages, in order
    const char* focus;             // the object name of the edit that takes the focus, or ""
};

TEST_F(SearchWindowTest, EachBadCriterionShowsItsMessageAndStartsNothing) {
    Start();
    // A first search fills the grid; no refused search touches it.
    FPrincipal->EBuscar->setText("report");
    FPrincipal->BBuscarClick();
    ASSERT_EQ(Column(5), (std::vector<std::string>{"report.doc", "report2.doc"}));

    const std::vector<CheckCase> cases = {
        {"nothing to search for", [](TFPrincipal&) {}, {"M_BUSCAR_SINCRITERIO"}, ""},
        {"a date before 1980",
         [](TFPrincipal& w) { w.EInicial->setText("1979-12-31"); },
         {"M_FECHA_PEQUENA", "M_FECHAI_MALA"},
         "EInicial"},
        {"a bad end date",
         [](TFPrincipal& w) { w.EFinal->setText("31-31-2001"); },
         {"M_FECHAF_MALA"},
         "EFinal"},
        {"a bad created start",
         [](TFPrincipal& w) { w.EInicialCre->setText("soon"); },
         {"M_FECHAI_MALA"},
         "EInicialCre"},
        {"dates the wrong way round",
         [](TFPrincipal& w) {
             w.EInicial->setText("2001-03-05");
             w.EFinal->setText("2001-03-04");
         },
         {"M_FECHA_MALA"},
         "EFinal"},
        {"created dates the wrong way round",
         [](TFPrincipal& w) {
             w.EInicialCre->setText("2001-03-05 10:00");
             w.EFinalCre->setText("2001-03-05 09:59");
         },
         {"M_FECHA_MALA"},
         "EFinalCre"},
        {"a bad minimum size",
         [](TFPrincipal& w) { w.CBMin->setText("12a"); },
         {"M_TAMANOI_MALO"},
         "CBMin"},
        {"a negative minimum size",
         [](TFPrincipal& w) { w.CBMin->setText("-1"); },
         {"M_TAMANOI_MALO"},
         "CBMin"},
        {"a bad maximum size",
         [](TFPrincipal& w) { w.CBMax->setText("1e9"); },
         {"M_TAMANOF_MALO"},
         "CBMax"},
        {"a maximum below the minimum",
         [](TFPrincipal& w) {
             w.CBMin->setText("10");
             w.CBMax->setText("5");
         },
         {"M_TAMANOF_MALO"},
         "CBMax"},
        {"the extension choice without an extension",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(3);
             w.EExtension->setText("  ");
         },
         {"M_BUSCAR_SINEXTENSION"},
         ""},
        {"a second text without a first",
         [](TFPrincipal& w) { w.EBuscar2->setText("x"); },
         {"M_BUSCAR_BOLEANA_VACIA1"},
         ""},
        {"a bad minimum duration",
         [](TFPrincipal& w) { w.EDuracionIni->setText("1:xx"); },
         {"M_DURACION_MINBAD"},
         "EDuracionIni"},
        {"a bad maximum duration",
         [](TFPrincipal& w) { w.EduracionFin->setText("90"); },
         {"M_DURACION_MAXBAD"},
         "EduracionFin"},
        {"durations the wrong way round",
         [](TFPrincipal& w) {
             w.EDuracionIni->setText("2:00");
             w.EduracionFin->setText("1:59");
         },
         {"M_DURACION_MAXMIN"},
         ""},
        {"bad pages",
         [](TFPrincipal& w) { w.EPaginasFin->setText("many"); },
         {"M_PAGINAS_MAXBAD"},
         "EPaginasFin"},
        {"a negative width",
         [](TFPrincipal& w) { w.EAnchoMin->setText("-3"); },
         {"M_RESOLUCION_MINBAD"},
         "EAnchoMin"},
        {"heights the wrong way round",
         [](TFPrincipal& w) {
             w.EAltoMin->setText("600");
             w.EAltoMax->setText("480");
         },
         {"M_RESOLUCION_MAXMIN"},
         ""},
        {"a bad sample rate",
         [](TFPrincipal& w) { w.EFrecMax->setText("44.1"); },
         {"M_RESOLUCION_MAXBAD"},
         "EFrecMax"},
        {"a bad quality",
         [](TFPrincipal& w) { w.ECalidadMin->setText("hi"); },
         {"M_CALIDAD_MINBAD"},
         "ECalidadMin"},
        {"years the wrong way round",
         [](TFPrincipal& w) {
             w.EAnoMin->setText("2000");
             w.EAnoMax->setText("1999");
         },
         {"M_ANO_MAXMIN"},
         ""},
        {"a bad track",
         [](TFPrincipal& w) { w.ETrackMax->setText("7b"); },
         {"M_PISTA_MAXBAD"},
         "ETrackMax"},
        {"tracks the wrong way round",
         [](TFPrincipal& w) {
             w.ETrackMin->setText("5");
             w.ETrackMax->setText("4");
         },
         {"M_PISTA_MAXMIN"},
         ""},
        {"a fuzzy text of one character",
         [](TFPrincipal& w) {
             w.RBDifusa->setChecked(true);
             w.EBuscar->setText("a");
         },
         {"M_BUSCAR_DIFUSA1"},
         ""},
        {"attributes without a letter",
         [](TFPrincipal& w) { w.CBAtributos->SetChecked(true); },
         {"M_BUSCAR_SINATRIBUTOS"},
         ""},
        {"the first failure wins",
         [](TFPrincipal& w) {
             w.CBMin->setText("x");
             w.EAnoMin->setText("x");
         },
         {"M_TAMANOI_MALO"},
         "CBMin"},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        FPrincipal->EBuscar->clear();
        FPrincipal->GBCuales->SetItemIndex(0);
        FPrincipal->RBNormal->setChecked(true);
        FPrincipal->CBAtributos->SetChecked(false);
        for (QLineEdit* e : FPrincipal->TSBuscar->findChildren<QLineEdit*>())
            if (e != FPrincipal->EExtension && !qobject_cast<QSpinBox*>(e->parent())) e->clear();
        FPrincipal->EBuscar->setFocus();
        recorder_.messages.clear();
        c.set(*FPrincipal);
        FPrincipal->BBuscarClick();
        std::vector<std::string> expected;
        for (const char* key : c.keys)
            expected.push_back(LeeTexto("M", key));
        EXPECT_EQ(recorder_.messages, expected);
        if (*c.focus) {
            ASSERT_NE(FPrincipal->focusWidget(), nullptr);
            EXPECT_EQ(FPrincipal->focusWidget()->objectName().toStdString(), c.focus);
        }
        EXPECT_EQ(Column(5), (std::vector<std::string>{"report.doc", "report2.doc"}));
        EXPECT_FALSE(FPrincipal->BusyFlag);
    }
    // The early date was emptied.
    FPrincipal->EInicial->setText("1979-12-31");
    FPrincipal->BBuscarClick();
    EXPECT_EQ(FPrincipal->EInicial->text(), "");
}

// ---- Runs -------------------------------------------------------------------

TEST_F(SearchWindowTest, SearchFillsTheGridAndGivesThePageBack) {
    Start();
    FPrincipal->EBuscar->setText("  REPORT ");
    FPrincipal->BBuscarClick();
    EXPECT_EQ(FPrincipal->EBuscar->text(), "REPORT"); // trimmed and written back
    EXPECT_EQ(Column(5), (std::vector<std::string>{"report.doc", "report2.doc"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"\\Backups", ""}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Disco", "Other"}));
    EXPECT_EQ(Column(3), (std::vector<std::string>{"\\", "\\"}));
    EXPECT_EQ(Column(6), (std::vector<std::string>{"1,234", "77"}));
    EXPECT_EQ(Column(7)[0], FPrincipal->TextoFechaUtf8(kModified, true));
    EXPECT_EQ(Column(10), (std::vector<std::string>{"DOC", "DOC"}));
    EXPECT_EQ(Column(19), (std::vector<std::string>{"1 6", "1 6"}));
    EXPECT_EQ(Column(18), (std::vector<std::string>{"0 0", "0 0"}));

    // Titles and hidden columns.
    EXPECT_EQ(FPrincipal->SGResultados->ColCount(), 22);
    EXPECT_EQ(FPrincipal->SGResultados->Cells(1, 0), LeeTextoCapital("W", "COLECCION") + "       ");
    EXPECT_EQ(FPrincipal->SGResultados->Cells(17, 0), LeeTextoCapital("W", "GENERO") + "       ");
    for (int col : {0, 18, 19, 20, 21})
        EXPECT_EQ(FPrincipal->SGResultados->ColWidths(col), 0) << col;

    // The status text with the rate and the hits; the page is back.
    const std::string finished = LeeTexto("M", "M_FIN_BUSCAR") + " ";
    EXPECT_EQ(Status().rfind(finished, 0), 0u) << Status();
    const std::string tail = " i/s. " + CapitalizeFirst(LeeTexto("W", "EXITOS")) + " 2";
    EXPECT_EQ(Status().substr(Status().size() - tail.size()), tail) << Status();
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_TRUE(FPrincipal->BBuscar->isEnabled());
    EXPECT_TRUE(FPrincipal->GBTipo->isEnabled());
    EXPECT_TRUE(FPrincipal->EBuscar->isEnabled());
    EXPECT_FALSE(FPrincipal->BParar->isEnabled());
    EXPECT_TRUE(FPrincipal->SBCopiar->isEnabled());
    EXPECT_FALSE(FPrincipal->AniCd->isVisible());
    EXPECT_EQ(FPrincipal->PBPrincipal->value(), FPrincipal->PBPrincipal->maximum());
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(recorder_.errorWindows, 0);

    // A search without hits leaves one empty row and SBCopiar off.
    FPrincipal->EBuscar->setText("nothing like it");
    emit FPrincipal->EBuscar->returnPressed(); // Enter runs the search too
    EXPECT_EQ(FPrincipal->SGResultados->RowCount(), 2);
    EXPECT_EQ(Column(5), (std::vector<std::string>{""}));
    EXPECT_FALSE(FPrincipal->SBCopiar->isEnabled());
}

// "café" typed finds the name stored composed and the one stored decomposed,
// with accents kept and ignored; the range marks each name as stored.
TEST_F(SearchWindowTest, CafeFindsBothNormalForms) {
    WriteLines(root_ / "Cafes.tct", {HeaderLine("Cafes"), FolderLine("E:\\"), File("café.txt", 1),
                                     File("cafe\xCC\x81.txt", 2), File("cafe.txt", 3)});
    FPrincipal->FormActivate();
    ASSERT_TRUE(FPrincipal->StartupDone());
    FPrincipal->show();
    FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
    FPrincipal->GBCuales->SetItemIndex(1); // files and folders: not the catalogue's own name
    for (const bool ignored : {false, true}) {
        FPrincipal->CBTildes->SetChecked(ignored);
        FPrincipal->EBuscar->setText("café");
        FPrincipal->BBuscarClick();
        std::vector<std::string> names = {"café.txt", "cafe\xCC\x81.txt"};
        std::vector<std::string> ranges = {"1 4", "1 5"};
        if (ignored) {
            names.push_back("cafe.txt");
            ranges.push_back("1 4");
        }
        EXPECT_EQ(Column(5), names) << ignored;
        EXPECT_EQ(Column(19), ranges) << ignored;
    }
}

TEST_F(SearchWindowTest, PageChoicesReachTheSearch) {
    Start();
    struct Case {
        const char* what;
        std::function<void(TFPrincipal&)> set;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"wildcard, names only",
         [](TFPrincipal& w) {
             w.RBComodin->setChecked(true);
             w.EBuscar->setText("*.doc");
             w.GBDonde->SetItemIndex(2);
         },
         {"report.doc", "report2.doc"}},
        {"fuzzy with the error count of the page",
         [](TFPrincipal& w) {
             w.RBDifusa->setChecked(true);
             w.EBuscar->setText("color");
             w.ENumErrores->setValue(1);
         },
         {"colour.zip", "COLOR.BMP"}},
        {"fuzzy without errors",
         [](TFPrincipal& w) {
             w.RBDifusa->setChecked(true);
             w.EBuscar->setText("color");
             w.ENumErrores->setValue(0);
         },
         {"COLOR.BMP"}},
        {"case kept",
         [](TFPrincipal& w) {
             w.EBuscar->setText("COLOR");
             w.CBMayusculas->SetChecked(false);
         },
         {"COLOR.BMP"}},
        {"accents kept",
         [](TFPrincipal& w) {
             w.EBuscar->setText("cancion");
             w.CBTildes->SetChecked(false);
         },
         {}},
        {"accents folded", [](TFPrincipal& w) { w.EBuscar->setText("cancion"); }, {"canción.txt"}},
        {"whole words",
         [](TFPrincipal& w) {
             w.EBuscar->setText("report");
             w.CBParte->SetChecked(false);
         },
         {"report.doc"}},
        {"two texts, either",
         [](TFPrincipal& w) {
             w.EBuscar->setText("song");
             w.EBuscar2->setText("report2");
             w.RBOr->setChecked(true);
         },
         {"song.mp3", "report2.doc"}},
        {"an extension",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(3);
             w.EExtension->setText(" bmp ");
         },
         {"COLOR.BMP"}},
        {"nested entries off",
         [](TFPrincipal& w) {
             w.EBuscar->setText("color");
             w.CBAnidados->SetChecked(false);
         },
         {}},
        {"nested entries off for descriptions only",
         [](TFPrincipal& w) {
             w.CBMin->setText("200");
             w.CBMax->setText("400");
             w.GBDonde->SetItemIndex(1);
         },
         {}},
        {"nested entries by size",
         [](TFPrincipal& w) {
             w.CBMin->setText("200");
             w.CBMax->setText("400");
         },
         {"COLOR.BMP"}},
        {"sizes", [](TFPrincipal& w) { w.CBMin->setText(" 5000"); }, {"colour.zip", "song.mp3"}},
        {"attributes",
         [](TFPrincipal& w) {
             w.CBAtributos->SetChecked(true);
             w.CBAnidadosAttr->SetChecked(true);
         },
         {"colour.zip"}},
        {"media", [](TFPrincipal& w) { w.EAnoMin->setText("1"); }, {}},
        {"folders by date",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(4);
             w.EInicial->setText("2001-03-04");
             w.EFinal->setText("2001-03-04");
         },
         {"\\", "Music\\", "\\"}},
        {"an end date takes its whole day",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(2);
             w.EInicial->setText("2001-03-04");
             w.EFinal->setText("2001-03-04");
             w.CBAnidados->SetChecked(false);
         },
         {"report.doc", "colour.zip", "report2.doc"}},
        {"the locale's own date format",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(2);
             w.EInicial->setText(
                 QLocale::system().toString(QDate(2001, 3, 5), QLocale::ShortFormat));
             w.CBAnidados->SetChecked(false);
         },
         {"canción.txt"}},
        {"a date with a time",
         [](TFPrincipal& w) {
             w.GBCuales->SetItemIndex(2);
             w.EFinal->setText("2001-03-04 10:29");
             w.CBAnidados->SetChecked(false);
         },
         {"song.mp3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FPrincipal->RBNormal->setChecked(true);
        FPrincipal->RBAnd->setChecked(true);
        FPrincipal->GBDonde->SetItemIndex(0);
        FPrincipal->GBCuales->SetItemIndex(0);
        for (TCheckBox* on : {FPrincipal->CBMayusculas, FPrincipal->CBTildes, FPrincipal->CBParte,
                              FPrincipal->CBAnidados})
            on->SetChecked(true);
        for (TCheckBox* off : {FPrincipal->CBAtributos, FPrincipal->CBAnidadosAttr})
            off->SetChecked(false);
        for (QLineEdit* e : FPrincipal->TSBuscar->findChildren<QLineEdit*>())
            if (!qobject_cast<QSpinBox*>(e->parent())) e->clear();
        recorder_.messages.clear();
        c.set(*FPrincipal);
        FPrincipal->BBuscarClick();
        EXPECT_TRUE(recorder_.messages.empty())
            << (recorder_.messages.empty() ? "" : recorder_.messages[0]);
        std::vector<std::string> names = Column(5);
        if (names == std::vector<std::string>{""}) names.clear();
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(SearchWindowTest, ScopeBoxesKeepToTheSelection) {
    Start();
    FPrincipal->EBuscar->setText("report");
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backups/Disco"));
    FPrincipal->PCMainChange();
    ASSERT_TRUE(FPrincipal->CBSoloCat->isEnabled());
    FPrincipal->CBSoloCat->SetChecked(true);
    FPrincipal->BBuscarClick();
    EXPECT_EQ(Column(5), (std::vector<std::string>{"report.doc"}));
    EXPECT_EQ(FPrincipal->PBPrincipal->maximum(), 7 - 2); // the catalogue's lines less two

    FPrincipal->CBSoloCat->SetChecked(false);
    FPrincipal->Arbol->setCurrentItem(TreeNode("Backups"));
    FPrincipal->PCMainChange();
    ASSERT_TRUE(FPrincipal->CBSoloCol->isEnabled());
    FPrincipal->CBSoloCol->SetChecked(true);
    FPrincipal->BBuscarClick();
    EXPECT_EQ(Column(5), (std::vector<std::string>{"report.doc"}));
    EXPECT_EQ(FPrincipal->PBPrincipal->maximum(), FPrincipal->TotalEntryCount);

    // The collection's own name is a hit when everything is listed.
    FPrincipal->EBuscar->setText("back");
    FPrincipal->BBuscarClick();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"\\Backups"}));
    EXPECT_EQ(Column(18), (std::vector<std::string>{"2 5"}));
}

TEST_F(SearchWindowTest, StopButtonEndsTheRun) {
    Start();
    FPrincipal->EBuscar->setText("report");
    // The stop button is pressed in the first moment the run hands to the event loop.
    QTimer::singleShot(0, FPrincipal, [] {
        EXPECT_TRUE(FPrincipal->BParar->isEnabled());
        EXPECT_TRUE(FPrincipal->BusyFlag);
        EXPECT_FALSE(FPrincipal->GBTipo->isEnabled());
        FPrincipal->BBuscarClick(); // refused while busy
        FPrincipal->BParar->click();
    });
    FPrincipal->BBuscarClick();
    EXPECT_TRUE(FPrincipal->StopFlag);
    EXPECT_EQ(Status(), LeeTexto("M", "M_BUSCAR_STOP_USUARIO"));
    EXPECT_EQ(Column(5), (std::vector<std::string>{""}));
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_FALSE(FPrincipal->BParar->isEnabled());
}

TEST_F(SearchWindowTest, HitLimitKeepsTheFirstHitsAndEndsNormally) {
    std::vector<std::string> lines = {HeaderLine("Many"), FolderLine("E:\\")};
    for (int i = 0; i < 100'000; ++i) {
        std::string name = "hit";
        name += std::to_string(i);
        lines.push_back(File(name, 1));
    }
    WriteLines(root_ / "Many.tct", lines);
    FPrincipal->FormActivate();
    recorder_.messages.clear();
    FPrincipal->EBuscar->setText("hit");
    FPrincipal->BBuscarClick();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{LeeTexto("M", "M_DEMASIADOS_EXITOS")});
    EXPECT_EQ(FPrincipal->SGResultados->RowCount(), 100'000);
    EXPECT_EQ(FPrincipal->SGResultados->Cells(5, 99'999), "hit99998");
    EXPECT_EQ(Status().rfind(LeeTexto("M", "M_FIN_BUSCAR"), 0), 0u);
    EXPECT_NE(Status().find(" 99,999"), std::string::npos) << Status();
}

// A root large enough for worker threads: three catalogues of long lines, with
// hits in folders, files and nested entries and a damaged line in each.
class LargeRootTest : public SearchWindowTest {
protected:
    void WriteRoot() {
        const std::string description(60, 'd');
        for (int c = 0; c < 3; ++c) {
            const std::string name = "Big" + std::to_string(c);
            std::vector<std::string> lines = {HeaderLine(name), FolderLine("E:\\")};
            for (int i = 0; i < 40'000; ++i) {
                if (i % 400 == 0) {
                    lines.push_back(FolderLine("E:\\folder " + std::to_string(i) +
                                               (i % 2000 == 0 ? " report" : "") + "\\"));
                    continue;
                }
                if (i % 9000 == 5) {
                    lines.push_back("report");
                    continue;
                }
                const std::string file = "file " + std::to_string(i) + " " + description +
                                         (i % 97 == 0 ? " REPORT" : "") + ".txt";
                const std::string nested = i % 501 == 0
                                               ? std::string(1, kNestedBracket) +
                                                     CodificaFecha(Dos({2002, 5, 6, 8, 0, 0})) +
                                                     CodificaTamano(300) + "2" +
                                                     "inner report.doc" + kNestedBracket
                                               : "";
                lines.push_back(
                    File(i % 501 == 0 ? "archive.zip" : file, 100 + i, kModified, nested));
            }
            WriteLines(root_ / (name + ".tct"), lines);
        }
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
        recorder_.messages.clear();
    }

    // The tree's catalogues as the search takes them, and their size in memory.
    std::vector<SearchNode> Nodes(std::size_t& bytes) {
        std::vector<SearchNode> nodes;
        bytes = 0;
        for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i) {
            auto* node = static_cast<TNodoArbol*>(FPrincipal->Arbol->topLevelItem(i));
            const std::string text = node->text(0).toStdString();
            nodes.push_back({SearchNodeKind::Catalogue, text, "\\" + text, true, node->Lines()});
            bytes += node->Lines()->MemoryBytes();
        }
        return nodes;
    }

    std::vector<SearchRow> GridRows() {
        std::vector<SearchRow> rows;
        const TStringGrid& grid = *FPrincipal->SGResultados;
        for (int r = 1; r < grid.RowCount(); ++r) {
            SearchRow row;
            for (int col = 1; col < kResultColumns; ++col)
                row[static_cast<std::size_t>(col)] = grid.Cells(col, r);
            rows.push_back(row);
        }
        return rows;
    }
};

struct RowKeeper : SearchObserver {
    bool StopRequested() override { return false; }
    void Progress(std::uint64_t, std::uint64_t) override {}
    void Hit(const SearchRow& row, SearchHitKind) override { rows.push_back(row); }
    void Error(const std::string& line) override { errors.push_back(line); }
    std::vector<SearchRow> rows;
    std::vector<std::string> errors;
};

// The grid, the count, the status and the error list of a search whose lines
// are scanned on worker threads are those of the walk on one thread.
TEST_F(LargeRootTest, WorkerThreadsGiveTheGridOfOneThread) {
    WriteRoot();
    std::size_t bytes = 0;
    const std::vector<SearchNode> nodes = Nodes(bytes);
    ASSERT_EQ(nodes.size(), 3u);
    ASSERT_GE(bytes, 2 * kSearchRangeBytes); // large enough for the threads

    FPrincipal->EBuscar->setText("report");
    FPrincipal->BBuscarClick();

    SearchRequest request;
    request.nodes = nodes;
    request.criteria.text1 = Fold("report", request.criteria.fold);
    request.formatDate = [](const DateTime& value) {
        return FPrincipal->TextoFechaUtf8(value, true);
    };
    request.threads = 1;
    RowKeeper single;
    const SearchResult expected = RunSearch(request, single);
    ASSERT_GT(expected.hits, 1000u);
    ASSERT_EQ(single.errors.size(), 15u);
    const std::vector<SearchRow> rows = GridRows();
    ASSERT_EQ(rows.size(), single.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int col = 1; col < kResultColumns; ++col)
            ASSERT_EQ(rows[r][static_cast<std::size_t>(col)],
                      single.rows[r][static_cast<std::size_t>(col)])
                << "row " << r + 1 << " column " << col;
    const std::string tail = " i/s. " + CapitalizeFirst(LeeTexto("W", "EXITOS")) + " " +
                             FormatThousands(static_cast<std::int64_t>(expected.hits));
    EXPECT_EQ(Status().substr(Status().size() - tail.size()), tail) << Status();
    EXPECT_EQ(FErrores->LineCount(), static_cast<int>(single.errors.size()));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

// The stop button pressed as the run starts its workers ends the run and them.
TEST_F(LargeRootTest, StopButtonEndsAThreadedRun) {
    WriteRoot();
    FPrincipal->EBuscar->setText("report");
    QTimer::singleShot(0, FPrincipal, [] { FPrincipal->BParar->click(); });
    FPrincipal->BBuscarClick();
    EXPECT_TRUE(FPrincipal->StopFlag);
    EXPECT_EQ(Status(), LeeTexto("M", "M_BUSCAR_STOP_USUARIO"));
    EXPECT_EQ(Column(5), (std::vector<std::string>{""}));
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_TRUE(FPrincipal->BBuscar->isEnabled());

    // The next run finds everything.
    FPrincipal->BBuscarClick();
    EXPECT_FALSE(FPrincipal->StopFlag);
    EXPECT_GT(GridRows().size(), 1000u);
}

TEST_F(SearchWindowTest, DamagedLinesGoToTheErrorWindow) {
    WriteLines(root_ / "Bad.tct",
               {HeaderLine("Bad"), FolderLine("E:\\"), "short line", File("good.txt", 5)});
    FPrincipal->FormActivate();
    FPrincipal->CBMax->setText("100");
    FPrincipal->BBuscarClick();
    EXPECT_EQ(Column(5), (std::vector<std::string>{"good.txt"}));
    EXPECT_EQ(recorder_.errorWindows, 1);
    EXPECT_EQ(recorder_.errorCaption,
              (TituloAplicacion().toStdString() + LeeTexto("M", "M_TITULO_FERRORES")));
    EXPECT_EQ(FErrores->LineCount(), 1);
}

TEST_F(SearchWindowTest, ProgressTextNeverDividesByZero) {
    WriteLines(root_ / "Empty.tct", {HeaderLine("Empty")});
    FPrincipal->FormActivate();
    ASSERT_EQ(FPrincipal->TotalEntryCount, 0);
    FPrincipal->EBuscar->setText("x");
    FPrincipal->BBuscarClick();
    FPrincipal->MuestraProgresoBusqueda(5, 2);
    EXPECT_EQ(Status(), "2 " + LeeTexto("M", "M_BUSCANDO") + " 0.00 %");
}

TEST_F(SearchWindowTest, NothingHappensWithoutATreeOrWhileBusy) {
    FPrincipal->FormActivate();
    FPrincipal->BBuscarClick(); // no node at all: not even the checks run
    EXPECT_TRUE(recorder_.messages.empty());
    Start();
    FPrincipal->BusyFlag = true;
    FPrincipal->BBuscarClick();
    EXPECT_TRUE(recorder_.messages.empty());
    FPrincipal->BusyFlag = false;
}

} // namespace
} // namespace sorvane
