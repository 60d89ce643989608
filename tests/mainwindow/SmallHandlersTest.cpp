// The small handlers a user trips over: the error window opens on its first
// line, a click on empty tree space leaves no node selected, Escape closes
// the new-collection window, only collection rows of a listing are bold, the
// channel boxes of the search page say what they are, and the nested viewer's
// and the collector's columns show their titles whole in either language.
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/LanguageFile.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFCrearColeccion.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

class SmallHandlersTest : public WindowTestRoot {
protected:
    // The root: the collection Music holding the collection Jazz and the
    // catalogue Live, and the catalogue Top beside it.
    void Start() {
        EnterNewRoot("handlers");
        fs::create_directories(root_ / "Music" / "Jazz");
        WriteLines(root_ / "Music" / "Live.tct", {HeaderLine("Live"), FolderLine("\\")});
        WriteLines(root_ / "Top.tct", {HeaderLine("Top"), FolderLine("\\"),
                                       FileLine("a.txt", 123456), FileLine("b.txt", 42)});
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->resize(1024, 700);
        FPrincipal->show();
        QApplication::processEvents();
    }

    void Spanish() {
        FPrincipal->RGIdioma->SetItemIndex(1);
        FPrincipal->CargaIdioma();
    }
};

TEST_F(SmallHandlersTest, TheErrorWindowOpensOnItsFirstLineFromItsFirstCharacter) {
    ASSERT_NO_FATAL_FAILURE(Start());
    FErrores->Limpia();
    for (int i = 0; i < 60; ++i)
        FErrores->Agrega("tmp/gui/tree/archives/test" + std::to_string(i) +
                         ".7z: Invalid archive header, " + std::string(200, 'x'));
    int horizontal = -1, firstLine = -1;
    recorder_.onDialog = [&](QDialog& window) {
        window.show();
        QApplication::processEvents();
        horizontal = FErrores->MErrores->horizontalScrollBar()->value();
        firstLine = FErrores->MErrores->verticalScrollBar()->value();
        window.hide();
        return static_cast<int>(QDialog::Accepted);
    };
    FErrores->MuestraSiHayErrores("Errors");
    EXPECT_EQ(horizontal, 0);
    EXPECT_EQ(firstLine, 0);
    EXPECT_EQ(FErrores->MErrores->cursorForPosition(QPoint(4, 4)).blockNumber(), 0);
}

TEST_F(SmallHandlersTest, AClickOnEmptyTreeSpaceClearsTheSelectionAndTurnsOnTheNewButtons) {
    ASSERT_NO_FATAL_FAILURE(Start());
    TFPrincipal& w = *FPrincipal;
    w.Arbol->setCurrentItem(TreeNode("Music/Live"));
    ASSERT_EQ(w.Arbol->currentItem(), TreeNode("Music/Live"));
    // A catalogue inside a collection makes nothing new.
    EXPECT_FALSE(w.SBNuevoDisco->isEnabled());
    const QRect last = w.Arbol->visualItemRect(TreeNode("Top"));
    ASSERT_LT(last.bottom() + 20, w.Arbol->viewport()->height());
    QTest::mouseClick(w.Arbol->viewport(), Qt::LeftButton, {},
                      QPoint(10, w.Arbol->viewport()->height() - 5));
    EXPECT_EQ(w.Arbol->currentItem(), nullptr);
    EXPECT_TRUE(w.Arbol->selectedItems().isEmpty());
    for (QToolButton* button : {w.SBNuevoDisco, w.SBNuevaCarpeta, w.SBNuevaColeccion})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    // A click on a node still selects it.
    QTest::mouseClick(w.Arbol->viewport(), Qt::LeftButton, {}, last.center());
    EXPECT_EQ(w.Arbol->currentItem(), TreeNode("Top"));
}

TEST_F(SmallHandlersTest, EscapeClosesTheNewCollectionWindow) {
    ASSERT_NO_FATAL_FAILURE(Start());
    FCrearColeccion->show();
    QApplication::processEvents();
    FCrearColeccion->ENueva->setFocus();
    QTest::keyClicks(FCrearColeccion->ENueva, "Film");
    ASSERT_EQ(FCrearColeccion->ENueva->text(), "Film");
    QTest::keyClick(FCrearColeccion->ENueva, Qt::Key_Escape);
    EXPECT_FALSE(FCrearColeccion->isVisible());
    EXPECT_EQ(FCrearColeccion->result(), QDialog::Rejected);
    EXPECT_FALSE(fs::exists(root_ / "Film"));
}

// Whether the directory grid draws the name cell of `row` in bold.
bool DrawsBold(int row) {
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    QImage image(200, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    QFont plain = painter.font();
    plain.setBold(false);
    painter.setFont(plain);
    grid.OnDrawCell(2, row, painter, QRect(0, 0, 200, 20), false);
    return painter.font().bold();
}

TEST_F(SmallHandlersTest, OnlyCollectionRowsOfACollectionListingAreBold) {
    ASSERT_NO_FATAL_FAILURE(Start());
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    TStringGrid& grid = *FPrincipal->SGDirectorio;
    const std::vector<std::string> names = GridColumn(grid, 2);
    ASSERT_EQ(names, (std::vector<std::string>{"Jazz\\", "Live\\"}));
    EXPECT_TRUE(DrawsBold(1));  // the collection Jazz
    EXPECT_FALSE(DrawsBold(2)); // the catalogue Live
}

TEST_F(SmallHandlersTest, TheChannelBoxesSayWhichChannelsTheyAskFor) {
    ASSERT_NO_FATAL_FAILURE(Start());
    TFPrincipal& w = *FPrincipal;
    for (bool spanish : {false, true}) {
        SCOPED_TRACE(spanish ? "Spanish" : "English");
        if (spanish) Spanish();
        EXPECT_EQ(w.CBCanales1->text().toStdString(), LeeTexto("L", "CB_CANALES_1"));
        EXPECT_EQ(w.CBcanales2->text().toStdString(), LeeTexto("L", "CB_CANALES_2"));
        EXPECT_EQ(w.CBCanales1->toolTip().toStdString(), LeeTexto("H", "H_CANALES_1"));
        EXPECT_EQ(w.CBcanales2->toolTip().toStdString(), LeeTexto("H", "H_CANALES_2"));
        EXPECT_NE(w.CBCanales1->text(), w.CBcanales2->text());
        EXPECT_TRUE(w.CBCanales1->text().startsWith('1'));
        EXPECT_TRUE(w.CBcanales2->text().startsWith('2'));
    }
}

// Every shown column of `grid` at its default width is as wide as its title in
// both language files.
void ExpectTitlesFit(const TStringGrid& grid, const char* const* keys, int columns) {
    for (const char* file : {"english.ini", "spanish.ini"}) {
        const TLanguageFile language((ProgramDir() / file).string());
        for (int col = 1; col < columns; ++col) {
            if (grid.ColWidths(col) == 0) continue;
            const std::string title = CapitalizeFirst(language.ReadString("W", keys[col], ""));
            EXPECT_GE(grid.ColWidths(col), grid.TitleWidthFor(QString::fromStdString(title)))
                << file << " column " << col << " \"" << title << "\"";
        }
    }
}

TEST_F(SmallHandlersTest, NestedAndCollectorColumnsShowTheirTitlesWholeInEitherLanguage) {
    ASSERT_NO_FATAL_FAILURE(Start());
    for (bool spanish : {false, true}) {
        SCOPED_TRACE(spanish ? "Spanish" : "English");
        if (spanish) Spanish();
        ExpectTitlesFit(*FAnidados->SGAnidados, TFAnidados::kTitulos, TFAnidados::kColumns);
        ExpectTitlesFit(*FColector->SGColector, TFColector::kTitulos, 18);
        // The collector's button of default widths gives the same.
        FColector->SBAnchoColumnasClick();
        ExpectTitlesFit(*FColector->SGColector, TFColector::kTitulos, 18);
    }
}

} // namespace
} // namespace sorvane
