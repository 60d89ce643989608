// The popup menus of the tree and of the directory grid, the catalogue
// statistics, the help buttons and the result grid's default widths, driven
// through the main window's handlers and read back from its controls.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/TFAnidados.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/FakeProgram.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;
using sorvane::testing::FakePrograms;
using sorvane::testing::PathWith;
using sorvane::testing::ScopedEnv;

// Each popup item and the button it mirrors.
const std::map<std::string, QToolButton* TFPrincipal::*> kTreeButtons = {
    {"NuevoDisco1", &TFPrincipal::SBNuevoDisco},
    {"NuevaCarpeta1", &TFPrincipal::SBNuevaCarpeta},
    {"Nuevacoleccin1", &TFPrincipal::SBNuevaColeccion},
    {"Cortar1", &TFPrincipal::SBCortarCatalogo},
    {"Pegar1", &TFPrincipal::SBPegarCatalogo},
    {"Pegar1ernivel1", &TFPrincipal::SBPegarCatalogo1},
    {"Recatalogar1", &TFPrincipal::SBRecatalogar},
    {"Eliminar1", &TFPrincipal::SBEliminar},
    {"Propiedades1", &TFPrincipal::SBCambiar},
    {"Imprimir1", &TFPrincipal::SBImprimirCatalogo},
    {"Exportar1", &TFPrincipal::SBExportaCatalogo},
};
const std::map<std::string, QToolButton* TFPrincipal::*> kGridButtons = {
    {"PMOAnidados", &TFPrincipal::SBAnidados},
    {"PMOAbrirNotepad", &TFPrincipal::SBAbrirNotepad},
    {"PMOAbrirSistema", &TFPrincipal::SBAbrirSistema},
    {"PMOAbrirCon", &TFPrincipal::SBAbrirCon},
    {"PMOEncolarWinAmp", &TFPrincipal::SBEncolarWinAmp},
    {"PMOAbrirExplorador", &TFPrincipal::SBAbrirExplorador},
    {"PMOPropiedades", &TFPrincipal::SBDescripcion},
};

// A catalogue of one folder, two plain files, an archive of three members and
// a media file.
std::vector<std::string> StatisticsLines() {
    const std::string member = CodificaFecha(kDos2001) + CodificaTamano(300) + "2";
    const std::string zip = std::string(1, kNestedBracket) + member + "A.TXT" + kItemSeparator +
                            member + "B.TXT" + kItemSeparator + member + "C.TXT" + kNestedBracket;
    return {HeaderLine("Stats"),
            FolderLine("E:\\"),
            FileLine("one.doc", 12),
            FileLine("pack.zip", 900, kDos2001, kDos2001, zip),
            FileLine("photo.jpg", 4000, kDos2001, kDos2001,
                     Media(PadLeftToWidth(CodificaEntero(640), 3) +
                           PadLeftToWidth(CodificaEntero(480), 3) + CodificaEntero(24))),
            FileLine("two.doc", 34)};
}

class MenusTest : public ChosenProgramFolderTest {
protected:
    MenusTest() : ChosenProgramFolderTest("menus") {}

    // The program folder: the two language files, and the help file when asked.
    void StartWith(bool helpFile) {
        program_ = temp_ / "program";
        fs::create_directories(program_);
        for (const char* file : {"english.ini", "spanish.ini"})
            fs::copy_file(ProgramDir() / file, program_ / file);
        if (helpFile) std::ofstream(program_ / "sorvaneeng.hlp") << "help\n";
        fs::create_directories(root_ / "Backups");
        WriteLines(root_ / "Backups" / "Disco.tct",
                   {HeaderLine("Disco"), FolderLine("E:\\"), FileLine("report.doc", 1234),
                    FolderLine("E:\\Music\\"), FileLine("song.mp3", 4000)});
        WriteLines(root_ / "Other.tct",
                   {HeaderLine("Other"), FolderLine("E:\\"), FileLine("other.doc", 77)});
        WriteLines(root_ / "Stats.tct", StatisticsLines());
        Start(program_);
        FPrincipal->show();
        recorder_.messages.clear();
    }

    static QAction* Item(QMenu* menu, const std::string& name) {
        return menu->findChild<QAction*>(QString::fromStdString(name));
    }

    // The names of the items a popup shows.
    static std::vector<std::string> Shown(QMenu* menu) {
        std::vector<std::string> shown;
        for (QAction* action : menu->actions())
            if (action->isVisible()) shown.push_back(action->objectName().toStdString());
        return shown;
    }

    // The items whose mirrored buttons are enabled now.
    static std::vector<std::string>
    Expected(QMenu* menu, const std::map<std::string, QToolButton * TFPrincipal::*>& buttons) {
        std::vector<std::string> on;
        for (QAction* action : menu->actions()) {
            const auto it = buttons.find(action->objectName().toStdString());
            if (it != buttons.end() && (FPrincipal->*(it->second))->isEnabled())
                on.push_back(it->first);
        }
        return on;
    }

    static void RightPressOnNode(const QString& path) {
        QTreeWidget* tree = FPrincipal->Arbol;
        const QRect rect = tree->visualItemRect(TreeNode(path));
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, rect.center());
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, rect.center());
    }

    static void RightPressOnCell(int col, int row) {
        TStringGrid* grid = FPrincipal->SGDirectorio;
        const QPoint at = grid->viewport()->mapFrom(grid, grid->CellRect(col, row).center());
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);
    }

    static int DirectoryRow(const std::string& name) {
        for (int row = 1; row < FPrincipal->SGDirectorio->RowCount(); ++row)
            if (FPrincipal->SGDirectorio->Cells(2, row) == name) return row;
        return 0;
    }

    fs::path program_;
};

TEST_F(MenusTest, TheTreePopupShowsTheEnabledButtonsOnlyForARightPressOnTheSelection) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    w.Arbol->setCurrentItem(TreeNode("Other"));

    // A right press elsewhere neither moves the selection nor fills the menu.
    RightPressOnNode("Backups");
    EXPECT_EQ(w.Arbol->currentItem(), TreeNode("Other"));
    EXPECT_FALSE(w.PopupOnSelection);
    EXPECT_FALSE(w.PMArbolPopup());
    EXPECT_TRUE(Shown(w.PMArbol).empty());

    // On the selected node: exactly the items whose buttons are enabled.
    for (const char* node : {"Other", "Backups", "Backups/Disco"}) {
        SCOPED_TRACE(node);
        w.Arbol->setCurrentItem(TreeNode(node));
        RightPressOnNode(node);
        EXPECT_TRUE(w.PopupOnSelection);
        const std::vector<std::string> expected = Expected(w.PMArbol, kTreeButtons);
        EXPECT_EQ(w.PMArbolPopup(), !expected.empty());
        EXPECT_EQ(Shown(w.PMArbol), expected);
        for (QAction* action : w.PMArbol->actions())
            EXPECT_EQ(action->isEnabled(), action->isVisible())
                << action->objectName().toStdString();
    }

    // A menu asked for by the keyboard acts on the selection.
    w.PopupOnSelection = false;
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1),
                          w.Arbol->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(w.Arbol, &key);
    EXPECT_TRUE(w.PopupOnSelection);

    // Nothing while a long operation runs.
    w.BusyFlag = true;
    EXPECT_FALSE(w.PMArbolPopup());
    EXPECT_TRUE(Shown(w.PMArbol).empty());
    w.BusyFlag = false;
}

TEST_F(MenusTest, CaptionsFollowTheLanguageAtEveryPopup) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    w.PopupOnSelection = true;
    w.PMArbolPopup();
    w.PMDirectorioPopup();
    EXPECT_EQ(Item(w.PMArbol, "NuevoDisco1")->text(), "New disc catalogue");
    EXPECT_EQ(Item(w.PMArbol, "Pegar1ernivel1")->text(), "Paste on root");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOAbrirNotepad")->text(), "Open with the text editor");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOAbrirExplorador")->text(), "Show in the file manager");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOEncolarWinAmp")->text(), "Enqueue in the audio player");

    w.RGIdioma->SetItemIndex(1);
    w.PMArbolPopup();
    w.PMDirectorioPopup();
    EXPECT_EQ(Item(w.PMArbol, "NuevoDisco1")->text(), "Nuevo catálogo de disco");
    EXPECT_EQ(Item(w.PMArbol, "Nuevacoleccin1")->text(), "Nueva colección");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOAbrirNotepad")->text(), "Abrir con el editor de textos");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOAbrirExplorador")->text(),
              "Mostrar en el gestor de ficheros");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOEncolarWinAmp")->text(),
              "Encolar en el reproductor de audio");
    EXPECT_EQ(Item(w.PMDirectorio, "PMOPropiedades")->text(), "Cambiar descripción");
}

TEST_F(MenusTest, EachTreeItemRunsItsButtonsHandler) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    recorder_.onDialog = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
    struct Case {
        const char* node;
        const char* item;
        const char* window; // the window the handler opens
    };
    const Case cases[] = {
        {"Backups", "NuevoDisco1", "FCrearDisco"},
        {"Backups", "Nuevacoleccin1", "FCrearColeccion"},
        {"Backups", "Propiedades1", "FCambiarColeccion"},
        {"Other", "NuevaCarpeta1", "FCrearCarpeta"},
        {"Other", "Propiedades1", "FCambiarCatalogo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        w.Arbol->setCurrentItem(TreeNode(c.node));
        RightPressOnNode(c.node);
        ASSERT_TRUE(w.PMArbolPopup());
        QAction* action = Item(w.PMArbol, c.item);
        ASSERT_TRUE(action->isVisible());
        recorder_.dialogs.clear();
        action->trigger();
        ASSERT_FALSE(recorder_.dialogs.empty());
        EXPECT_EQ(recorder_.dialogs.front()->objectName().toStdString(), c.window);
    }
    // A hidden item (paste, with nothing cut) does nothing, even when triggered.
    w.Arbol->setCurrentItem(TreeNode("Backups"));
    RightPressOnNode("Backups");
    w.PMArbolPopup();
    ASSERT_FALSE(Item(w.PMArbol, "Pegar1")->isVisible());
    const std::size_t nodes = static_cast<std::size_t>(w.Arbol->topLevelItemCount());
    recorder_.dialogs.clear();
    Item(w.PMArbol, "Pegar1")->trigger();
    EXPECT_TRUE(recorder_.dialogs.empty());
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(static_cast<std::size_t>(w.Arbol->topLevelItemCount()), nodes);
}

TEST_F(MenusTest, TheGridPopupActsOnTheCurrentRowAndEachItemRunsItsHandler) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    w.Arbol->setCurrentItem(TreeNode("Stats"));
    const int zip = DirectoryRow("pack.zip");
    const int doc = DirectoryRow("one.doc");
    ASSERT_GT(zip, 0);
    ASSERT_GT(doc, 0);
    w.SGDirectorio->SetRow(doc);

    // A right press on another row moves nothing and fills nothing.
    RightPressOnCell(2, zip);
    EXPECT_EQ(w.SGDirectorio->Row(), doc);
    EXPECT_FALSE(w.PopupOnSelection);
    EXPECT_FALSE(w.PMDirectorioPopup());
    // Nor does one on the current row beyond column 2.
    RightPressOnCell(3, doc);
    EXPECT_FALSE(w.PopupOnSelection);

    w.SGDirectorio->SetRow(zip);
    w.SGDirectorio->SetCol(2);
    RightPressOnCell(2, zip);
    EXPECT_TRUE(w.PopupOnSelection);
    ASSERT_TRUE(w.PMDirectorioPopup());
    EXPECT_EQ(Shown(w.PMDirectorio), Expected(w.PMDirectorio, kGridButtons));
    EXPECT_TRUE(Item(w.PMDirectorio, "PMOAnidados")->isVisible());

    // The nested entries of the archive.
    recorder_.dialogs.clear();
    Item(w.PMDirectorio, "PMOAnidados")->trigger();
    ASSERT_EQ(recorder_.dialogs.size(), 1u);
    EXPECT_EQ(recorder_.dialogs[0], FAnidados);

    // The openers look for the catalogue's disk, which no drive carries.
    for (const char* item : {"PMOAbrirSistema", "PMOAbrirNotepad", "PMOAbrirExplorador"}) {
        SCOPED_TRACE(item);
        ASSERT_TRUE(Item(w.PMDirectorio, item)->isVisible());
        recorder_.messages.clear();
        Item(w.PMDirectorio, item)->trigger();
        ASSERT_EQ(recorder_.messages.size(), 1u);
        EXPECT_NE(recorder_.messages[0].find("not in any drive"), std::string::npos)
            << recorder_.messages[0];
    }
}

TEST_F(MenusTest, StatisticsCountTheShownCatalogue) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    recorder_.systemPrefix = "";
    const std::vector<std::string> lines = StatisticsLines();
    const auto size = [&](std::size_t i) { return std::to_string(lines[i].size()); };
    std::size_t text = 0;
    for (const std::string& line : lines)
        text += line.size() + 2;

    w.Arbol->setCurrentItem(TreeNode("Stats"));
    QTest::mouseClick(w.PArbolAbajoBarraFree, Qt::LeftButton);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    const std::string expected = "Carpetas: 1 (" + size(1) + " bytes)\n" + "Ficheros: 2 (" +
                                 std::to_string(lines[2].size() + lines[5].size()) + " bytes)\n" +
                                 "Comprimidos: 1 (" + size(3) + " bytes)\n" + "Anidados: 3\n" +
                                 "Multimedia: 1 (" + size(4) + " bytes)\n" +
                                 "Total: " + std::to_string(text) + " Lineas: 6\n" + "LL: >" +
                                 text::AsUtf8(LimpiaControles(lines[5])) + "<";
    EXPECT_EQ(recorder_.messages[0], expected);
    EXPECT_NE(recorder_.messages[0].find("two.doc<"), std::string::npos);

    // Without archives there are no nested entries.
    recorder_.messages.clear();
    w.Arbol->setCurrentItem(TreeNode("Other"));
    w.PArbolAbajoBarraFreeClick();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("\nAnidados: 0\n"), std::string::npos);

    // Nothing with a collection selected, nor while a long operation runs.
    recorder_.messages.clear();
    w.Arbol->setCurrentItem(TreeNode("Backups"));
    w.PArbolAbajoBarraFreeClick();
    w.Arbol->setCurrentItem(TreeNode("Stats"));
    w.BusyFlag = true;
    w.PArbolAbajoBarraFreeClick();
    w.BusyFlag = false;
    EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(MenusTest, AMissingHelpFileIsNamed) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    for (QToolButton* button : {w.SBAyudaCat, w.SBAyudaBus, w.SBAyudaCfgBasic, w.SBAyudaCfgAvanzada,
                                w.SBAyudaCfgImpresion})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    w.SBAyudaCfgBasic->click();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0],
              "The help file was not found:\n" + (program_ / "sorvaneeng.hlp").string());

    recorder_.messages.clear();
    w.RGIdioma->SetItemIndex(1);
    w.SBAyudaCat->click();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0],
              "No se encuentra el fichero de ayuda:\n" + (program_ / "sorvanespa.hlp").string());
}

TEST_F(MenusTest, AHelpButtonOpensTheHelpFileAtItsTopic) {
    FakePrograms fakes;
    fakes.Recorder("xdg-open");
    const ScopedEnv path("PATH", PathWith(fakes.Bin()));
    StartWith(true);
    FPrincipal->SBAyudaCfgAvanzada->click();
    EXPECT_TRUE(recorder_.messages.empty());
    const auto arguments = fakes.WaitForArguments("xdg-open");
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, std::vector<std::string>{
                              "file://" + (program_ / "sorvaneeng.hlp").string() + "#10300"});
}

TEST_F(MenusTest, ResultColumnsTakeTheirDefaultWidths) {
    StartWith(false);
    TFPrincipal& w = *FPrincipal;
    TStringGrid& grid = *w.SGResultados;
    w.PCMain->setCurrentWidget(w.TSBuscar);
    const std::map<int, int> fixed = {{1, 80},  {2, 80},  {3, 140}, {6, 64},  {7, 81},
                                      {8, 81},  {9, 40},  {10, 30}, {11, 48}, {12, 60},
                                      {13, 30}, {14, 12}, {15, 30}, {16, 22}, {17, 50}};
    // Each width is widened where its title or a sample would not fit.
    const auto fitted = [&](int col, int wanted) {
        const std::vector<QString> samples =
            col == 6               ? std::vector<QString>{TFPrincipal::TamanoDeMuestra()}
            : col == 7 || col == 8 ? w.FechasDeMuestra(true)
                                   : std::vector<QString>{};
        return w.AnchoColumna(grid, kTitulosResultados[col], wanted, samples);
    };
    for (const int width : {600, 1600}) {
        SCOPED_TRACE(width);
        grid.setFixedWidth(width);
        QApplication::processEvents();
        for (int col = 1; col <= 17; ++col)
            grid.SetColWidths(col, 5);
        w.SBBuscarColumnas->click();
        for (const auto& [col, wanted] : fixed) {
            EXPECT_EQ(grid.ColWidths(col), fitted(col, wanted)) << col;
            EXPECT_GE(grid.ColWidths(col), wanted) << col;
        }
        const int half = (grid.viewport()->width() - 848) / 2;
        EXPECT_EQ(grid.ColWidths(4), fitted(4, std::max(half - 24, 140)));
        EXPECT_EQ(grid.ColWidths(5), fitted(5, std::max(half + 10, 150)));
        if (width == 600) {
            EXPECT_EQ(grid.ColWidths(4), fitted(4, 140));
            EXPECT_EQ(grid.ColWidths(5), fitted(5, 150));
        } else {
            EXPECT_GT(grid.ColWidths(5), 300);
        }
    }
}

} // namespace
} // namespace sorvane
