// What the main window shows is shown whole, read back from its controls: the
// default column widths of the directory and result grids against the font
// and the titles of both language files, a 13-digit size and a dated time;
// a hit name too wide for its cell; the search page's size boxes, stop button
// and AND/OR pair; the criteria
// laid out within the window's width, again after a resize, with the busy
// animation centred below them; no bare counters left after a folder run.
#include "app/StandingWindows.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "dialogs/Language.h"
#include "dialogs/LanguageFile.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/ui/TextRecorder.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

constexpr std::uint64_t kFiveGigabytes = 5'368'709'120ULL;

// The titles of a column key in both shipped language files, as the grids
// write them (first letter raised).
std::vector<QString> TitlesInBothLanguages(const char* key) {
    std::vector<QString> titles;
    for (const char* file : {"english.ini", "spanish.ini"}) {
        const TLanguageFile language((ProgramDir() / file).string());
        const std::string title = language.ReadString("W", key, "");
        EXPECT_FALSE(title.empty()) << key << " in " << file;
        titles.push_back(QString::fromStdString(CapitalizeFirst(title)));
    }
    return titles;
}

// The widest of the texts in the grid's font, as a column width.
int WidestCell(const TStringGrid& grid, const std::vector<QString>& texts) {
    const QFontMetrics metrics(grid.font());
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, TStringGrid::CellWidthFor(metrics, text));
    return widest;
}

// Every title of a grid, in either language, fits its shown column.
void ExpectTitlesFit(const TStringGrid& grid, const char* const* keys, int lastColumn) {
    for (int col = 1; col <= lastColumn; ++col) {
        if (grid.ColWidths(col) == 0) continue;
        for (const QString& title : TitlesInBothLanguages(keys[col]))
            EXPECT_GE(grid.ColWidths(col), grid.TitleWidthFor(title))
                << grid.objectName().toStdString() << " column " << col << " \""
                << title.toStdString() << "\"";
    }
}

class WholeTextsTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("whole");
        WriteLines(root_ / "Big.tct",
                   {HeaderLine("Big"), FolderLine("\\"), FileLine("disk.img", kFiveGigabytes)});
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->show();
        QApplication::processEvents();
    }

    // Dates with their year, in every month, as the grids write them.
    std::vector<QString> Dates(bool withTime) const {
        std::vector<QString> dates;
        for (int month = 1; month <= 12; ++month)
            dates.push_back(
                FPrincipal->TextoFecha(DateTime{2012, month, 12, 12, 12, 12}, withTime));
        return dates;
    }

    static QString ThirteenDigits() {
        return QString::fromStdString(FormatThousands(9'999'999'999'999LL));
    }

    // Where a widget lies across the main window.
    static QRect InWindow(const QWidget* widget) {
        return QRect(widget->mapTo(FPrincipal, QPoint(0, 0)), widget->size());
    }

    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
};

TEST_F(WholeTextsTest, DefaultColumnsFitTitlesSizesAndDatedTimes) {
    TFPrincipal& w = *FPrincipal;
    TStringGrid& directory = *w.SGDirectorio;
    TStringGrid& results = *w.SGResultados;
    for (int language : {0, 1}) {
        SCOPED_TRACE(language == 0 ? "English" : "Spanish");
        w.RGIdioma->SetItemIndex(language);
        w.ResetConfiguracion();
        ExpectTitlesFit(directory, kTitulosDirectorio, 14);
        ExpectTitlesFit(results, kTitulosResultados, 17);
        // The directory grid draws its sizes after a blank.
        EXPECT_GE(directory.ColWidths(3), WidestCell(directory, {" " + ThirteenDigits()}));
        EXPECT_GE(results.ColWidths(6), WidestCell(results, {ThirteenDigits()}));
        for (int col : {4, 5})
            EXPECT_GE(directory.ColWidths(col), WidestCell(directory, Dates(false))) << col;
        for (int col : {7, 8})
            EXPECT_GE(results.ColWidths(col), WidestCell(results, Dates(true))) << col;

        // Showing the time widens the date column to take it, and back.
        w.CBVerHoraModificado->SetChecked(true);
        EXPECT_GE(directory.ColWidths(4), WidestCell(directory, Dates(true)));
        w.BBColumnasClick();
        EXPECT_GE(directory.ColWidths(4), WidestCell(directory, Dates(true)));
        ExpectTitlesFit(directory, kTitulosDirectorio, 14);
        w.CBVerHoraModificado->SetChecked(false);
        EXPECT_GE(directory.ColWidths(4), WidestCell(directory, Dates(false)));
        // Columns switched off stay hidden.
        EXPECT_EQ(directory.ColWidths(7), 0);
    }

    // A listed 5 GB file shows its whole size.
    w.Arbol->setCurrentItem(TreeNode("Big"));
    ASSERT_EQ(directory.Cells(2, 1), "disk.img");
    const QString size = directory.CellText(3, 1);
    EXPECT_EQ(size.toStdString(), FormatThousands(static_cast<std::int64_t>(kFiveGigabytes)));
    EXPECT_GE(directory.ColWidths(3), WidestCell(directory, {" " + size}));
}

// A hit's name with its matched stretch marked keeps its leading characters
// and ends in "…" when its cell is too narrow, the cut falling in any piece.
TEST_F(WholeTextsTest, HitNamesTooWideForTheirCellEndInAnEllipsis) {
    TFPrincipal& w = *FPrincipal;
    w.PCMain->setCurrentWidget(w.TSBuscar);
    w.EBuscar->setText("disk");
    w.BBuscarClick();
    TStringGrid& results = *w.SGResultados;
    ASSERT_EQ(results.Cells(5, 1), "disk.img");
    const QFontMetrics metrics(results.font());
    const QString ellipsis(QChar(0x2026));
    struct Case {
        const char* what;
        int width;
        bool cut;
    };
    const Case cases[] = {
        {"whole", TStringGrid::CellWidthFor(QFontMetrics(results.font()), "disk.img") + 20, false},
        {"cut after the match", TStringGrid::CellWidthFor(metrics, "disk.i" + ellipsis) + 8, true},
        {"cut inside the match", TStringGrid::CellWidthFor(metrics, "di" + ellipsis), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        results.SetColWidths(5, c.width);
        QApplication::processEvents();
        test::TextRecorder drawn(results.size());
        results.render(&drawn);
        const QString shown = drawn.TextIn(results.CellRect(5, 1));
        if (!c.cut) {
            EXPECT_EQ(shown.toStdString(), "disk.img");
            continue;
        }
        ASSERT_TRUE(shown.endsWith(ellipsis)) << shown.toStdString();
        EXPECT_FALSE(shown.chopped(1).isEmpty());
        EXPECT_TRUE(QString("disk.img").startsWith(shown.chopped(1))) << shown.toStdString();
    }
}

TEST_F(WholeTextsTest, SearchPageBoxesAndButtonsShowTheirTexts) {
    TFPrincipal& w = *FPrincipal;
    w.PCMain->setCurrentWidget(w.TSBuscar);
    w.CBAvanzada->SetChecked(true);
    Settle();
    for (QLineEdit* box : {w.CBMin, w.CBMax}) {
        SCOPED_TRACE(box->objectName().toStdString());
        // The digits, the edit's frame and its inner margins.
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance("9999999999999") + 8);
        EXPECT_TRUE(box->isVisible());
    }
    for (int language : {0, 1}) {
        SCOPED_TRACE(language == 0 ? "English" : "Spanish");
        w.RGIdioma->SetItemIndex(language);
        EXPECT_EQ(w.BParar->text().toStdString(), LeeTextoCapital("W", "PARAR"));
        EXPECT_EQ(w.BParar->toolTip().toStdString(), LeeTexto("H", "H_BUSCAR_STOP"));
        EXPECT_EQ(w.RBAnd->text().toStdString(), LeeTexto("L", "RB_Y"));
        EXPECT_EQ(w.RBOr->text().toStdString(), LeeTexto("L", "RB_O"));
        for (QAbstractButton* button :
             std::initializer_list<QAbstractButton*>{w.BParar, w.RBAnd, w.RBOr}) {
            EXPECT_FALSE(button->text().isEmpty());
            EXPECT_NE(button->text().toStdString(), "File Language Error");
        }
    }
    EXPECT_EQ(w.BParar->text().toStdString(), "Parar");
    EXPECT_EQ(w.RBAnd->text().toStdString(), "Y");
}

struct PageCase {
    int width;
    bool advanced, media;
};

TEST_F(WholeTextsTest, CriteriaAreLaidOutWithinTheWindowWidth) {
    TFPrincipal& w = *FPrincipal;
    w.PCMain->setCurrentWidget(w.TSBuscar);
    const std::vector<QWidget*> advanced = {w.GBTipo,     w.GBDonde,        w.GBCuales,
                                            w.EExtension, w.GBLimitaciones, w.GBModificado,
                                            w.GBCreado,   w.GBTamano,       w.GBAtributos};
    const std::vector<QWidget*> media = {w.GBDuracion, w.GBResolucion, w.GBCalidad, w.GBCanales,
                                         w.GBAno,      w.GBGenero,     w.GBPista};
    const PageCase cases[] = {{980, true, false}, {980, true, true},   {980, false, true},
                              {1600, true, true}, {1600, true, false}, {980, true, false}};
    for (const PageCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << " px, advanced " << c.advanced << ", media " << c.media);
        w.resize(c.width, 640);
        w.CBAvanzada->SetChecked(c.advanced);
        w.CBMultimedia->SetChecked(c.media);
        Settle();
        EXPECT_EQ(w.width(), c.width);
        std::vector<QWidget*> shown = {w.PBuscarSencillo, w.GBopciones};
        if (c.advanced) shown.insert(shown.end(), advanced.begin(), advanced.end());
        if (c.media) shown.insert(shown.end(), media.begin(), media.end());
        for (QWidget* widget : shown) {
            SCOPED_TRACE(widget->objectName().toStdString());
            ASSERT_TRUE(widget->isVisible());
            const QRect box = InWindow(widget);
            EXPECT_GE(box.left(), 0);
            EXPECT_LE(box.right(), w.width() - 1);
            // Given its room, not squeezed into it.
            EXPECT_GE(widget->width(), widget->minimumSizeHint().width());
        }
        // Advanced groups left of the simple panel, media groups right of it.
        const QRect panel = InWindow(w.PBuscarSencillo);
        if (c.advanced) {
            EXPECT_LT(InWindow(w.GBCuales).right(), panel.left());
        }
        if (c.media) {
            EXPECT_GT(InWindow(w.GBDuracion).left(), panel.right());
        }
        // Side by side when the window is wide, in two rows when it is not.
        if (c.advanced && !c.media) {
            EXPECT_EQ(InWindow(w.GBAtributos).top() == InWindow(w.GBTipo).top(), c.width == 1600);
        }

        // The busy animation in the middle of the page below the criteria.
        const QWidget* page = w.TSBuscar;
        const int criteria = w.SBXBuscarDatos->geometry().bottom() + 1;
        EXPECT_EQ(w.AniCd->parentWidget(), page);
        EXPECT_EQ(w.AniCd->size(), QSize(32, 32));
        EXPECT_EQ(w.AniCd->x(), (page->width() - 32) / 2);
        EXPECT_EQ(w.AniCd->y(), (page->height() - criteria - 32) / 2 + criteria);
    }
}

// A folder catalogued through the folder window leaves none of the window's
// hidden disk counters on show.
class FolderRunTest : public WindowTestRoot {
protected:
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("whole-folder"));
        root_ = base_ / "root";
        tree_ = base_ / "tree";
        fs::create_directories(root_);
        fs::create_directories(tree_ / "docs" / "old");
        std::ofstream(tree_ / "docs" / "a.txt") << "alpha";
        std::ofstream(tree_ / "docs" / "old" / "b.txt") << "beta";
        ::setenv("SORVANE_DRIVES", ("X=" + tree_.string()).c_str(), 1);
        Enter(root_);
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->show();
    }

    void TearDown() override {
        WindowTestRoot::TearDown();
        ::unsetenv("SORVANE_DRIVES");
    }

    fs::path base_, tree_;
};

TEST_F(FolderRunTest, DiskCountersStayHidden) {
    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "docs").string()));
    FCrearCarpeta->ENombre->setText("Docs");
    FCrearCarpeta->BBNuevoCatalogoClick();
    QApplication::processEvents();
    ASSERT_TRUE(fs::exists(root_ / "Docs.tct"));
    ASSERT_NE(TreeNode("Docs"), nullptr);

    EXPECT_FALSE(FCrearCarpeta->GBInfoDisk->isVisible());
    EXPECT_FALSE(FCrearCarpeta->LNumFicheros->isVisible());
    EXPECT_FALSE(FCrearCarpeta->LNumCarpetas->isVisible());
    // No label of either window shows a bare number.
    const QRegularExpression number("^\\s*[0-9][0-9.,]*\\s*$");
    for (QWidget* window : std::initializer_list<QWidget*>{FCrearCarpeta, FPrincipal})
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisible()) {
                EXPECT_FALSE(number.match(label->text()).hasMatch())
                    << label->objectName().toStdString() << ": " << label->text().toStdString();
            }
    FCrearCarpeta->hide();
}

} // namespace
} // namespace sorvane
