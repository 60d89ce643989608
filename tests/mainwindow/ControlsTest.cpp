// The controls of the main window as a user meets them: every button that can
// be pressed does something, every tool button shows a picture and a hint, the
// gestures whose windows the program lacks do nothing, and a search hit is
// shown in its folder of the catalogue tree.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/NumberCode.h"
#include "dialogs/Language.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using namespace windowtest;

class ControlsTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("controls");
        OpenWindows();
    }

    // A collection holding a catalogue with two folder levels and an archive,
    // and a catalogue at the top.
    void Start() {
        fs::create_directories(root_ / "Backups");
        const std::string zip = std::string(1, kNestedBracket) + CodificaFecha(kDos2001) +
                                CodificaTamano(300) + "2" + "COLOR.BMP" + kNestedBracket;
        WriteLines(root_ / "Backups" / "Disco.tct",
                   {HeaderLine("Disco"), FolderLine("E:\\"), FileLine("report.doc", 1234),
                    FileLine("colour.zip", 5000, kDos2001, kDos2001, zip),
                    FolderLine("E:\\Music\\"), FileLine("song.mp3", 4'000'000),
                    FolderLine("E:\\Music\\Live\\"), FileLine("alpha.mp3", 10),
                    FileLine("encore.mp3", 20), FolderLine("E:\\Music\\Live\\Encore\\"),
                    FolderLine("E:\\Papers\\"), FileLine("encore.txt", 5)});
        WriteLines(root_ / "Other.tct",
                   {HeaderLine("Other"), FolderLine("E:\\"), FileLine("other.doc", 77)});
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
        FPrincipal->show();
        recorder_.messages.clear();
    }

    void Search(const std::string& text) {
        FPrincipal->PCMain->setCurrentWidget(FPrincipal->TSBuscar);
        FPrincipal->EBuscar->setText(QString::fromStdString(text));
        FPrincipal->BBuscarClick();
        ASSERT_FALSE(FPrincipal->BusyFlag);
    }

    // The result row whose name column holds `name`; 0 when none does.
    static int ResultRow(const std::string& name) {
        for (int row = 1; row < FPrincipal->SGResultados->RowCount(); ++row)
            if (FPrincipal->SGResultados->Cells(5, row) == name) return row;
        return 0;
    }

    // The directory grid row whose name column holds `name`; 0 when none does.
    static int DirectoryRow(const std::string& name) {
        for (int row = 1; row < FPrincipal->SGDirectorio->RowCount(); ++row)
            if (FPrincipal->SGDirectorio->Cells(2, row) == name) return row;
        return 0;
    }

    // Runs `visit` on every page of the main window, and on every tab of the
    // configuration page, each made the current one; the page shown before stays.
    static void OnEveryPage(const std::function<void()>& visit) {
        QTabWidget* pages = FPrincipal->PCMain;
        const int before = pages->currentIndex();
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            if (pages->currentWidget() != FPrincipal->TSConfiguracion) {
                visit();
                continue;
            }
            for (int tab = 0; tab < FPrincipal->PCConfiguracion->count(); ++tab) {
                FPrincipal->PCConfiguracion->setCurrentIndex(tab);
                visit();
            }
        }
        pages->setCurrentIndex(before);
    }

    // The buttons of the main window that a user sees now, without the tab
    // bars' own scroll buttons.
    static std::vector<QAbstractButton*> VisibleButtons() {
        std::vector<QAbstractButton*> shown;
        for (QAbstractButton* button : FPrincipal->findChildren<QAbstractButton*>())
            if (button->window() == FPrincipal && button->isVisible() &&
                qobject_cast<QTabBar*>(button->parentWidget()) == nullptr)
                shown.push_back(button);
        return shown;
    }
};

// QObject::isSignalConnected, reached from outside.
struct Peek : QAbstractItemView {
    using QAbstractItemView::isSignalConnected;
};
constexpr auto kIsSignalConnected = &Peek::isSignalConnected;

bool Connected(const QObject* object, const QMetaMethod& signal) {
    return (object->*kIsSignalConnected)(signal);
}

// A tool button connects its own pressed and released signals (for its menu),
// so a handler is a receiver of clicked or toggled.
bool HasHandler(const QAbstractButton* button) {
    return Connected(button, QMetaMethod::fromSignal(&QAbstractButton::clicked)) ||
           Connected(button, QMetaMethod::fromSignal(&QAbstractButton::toggled));
}

// The action a popup menu has for itself (it would stand for the menu in
// another menu); it is no item of the menu.
bool IsMenuOwnAction(QAction* action) {
    const auto* menu = qobject_cast<const QMenu*>(action->parent());
    return menu != nullptr && menu->menuAction() == action;
}

bool HasHandler(const QAction* action) {
    return Connected(action, QMetaMethod::fromSignal(&QAction::triggered)) ||
           Connected(action, QMetaMethod::fromSignal(&QAction::toggled));
}

// ---- Every enabled button acts ------------------------------------------------

TEST_F(ControlsTest, EveryEnabledButtonOnEveryPageHasAHandler) {
    Start();
    TFPrincipal& w = *FPrincipal;
    // Buttons that act (check boxes and radio buttons hold a setting that the
    // program reads) and menu items, enabled on a page, without a handler.
    std::map<std::string, std::string> dead; // each with the first state it was found in
    int walks = 0;
    const auto walk = [&](const std::string& state) {
        ++walks;
        OnEveryPage([&] {
            for (QAbstractButton* button : VisibleButtons()) {
                if (!button->isEnabled() || button->isCheckable() || HasHandler(button)) continue;
                dead.emplace(button->objectName().toStdString(), state);
            }
            for (QAction* action : w.findChildren<QAction*>())
                if (action->isVisible() && action->isEnabled() && !HasHandler(action) &&
                    !IsMenuOwnAction(action))
                    dead.emplace("action " + action->objectName().toStdString(), state);
        });
    };

    walk("nothing selected");
    w.Arbol->setCurrentItem(TreeNode("Backups"));
    walk("a collection");
    for (const char* node : {"Backups/Disco", "Backups/Disco/Music", "Other"}) {
        w.Arbol->setCurrentItem(TreeNode(node));
        ASSERT_EQ(w.Arbol->currentItem(), TreeNode(node));
        for (int row = 1; row < w.SGDirectorio->RowCount(); ++row) {
            w.SGDirectorio->SetCurrentCell(2, row);
            walk(std::string(node) + " row " + w.SGDirectorio->Cells(2, row));
        }
    }
    // The search page with every criterion on show, before and after a search.
    w.PCMain->setCurrentWidget(w.TSBuscar);
    w.CBAvanzada->SetChecked(true);
    w.CBMultimedia->SetChecked(true);
    walk("no search yet");
    Search("o");
    ASSERT_GT(w.ResultHits, 3u);
    for (int row = 1; row < w.SGResultados->RowCount(); ++row) {
        w.SGResultados->SetRow(row);
        walk("result " + w.SGResultados->Cells(5, row));
    }
    EXPECT_GT(walks, 10);
    EXPECT_TRUE(dead.empty()) << [&] {
        std::string list;
        for (const auto& [name, state] : dead)
            list += "\n  " + name + " (" + state + ")";
        return "enabled with no handler:" + list;
    }();
}

// ---- Pictures and hints -------------------------------------------------------

TEST_F(ControlsTest, EveryToolButtonShowsAPictureAndAHint) {
    Start();
    TFPrincipal& w = *FPrincipal;
    w.Arbol->setCurrentItem(TreeNode("Backups/Disco"));
    w.CBAvanzada->SetChecked(true);
    w.CBMultimedia->SetChecked(true);
    QApplication::processEvents(); // the pages laid out at their sizes
    const QSize size = w.SBNuevoDisco->iconSize();
    EXPECT_GE(size.width(), 16);
    EXPECT_LE(size.width(), 32);
    std::set<std::string> seen;
    std::vector<std::string> faults;
    for (int language : {0, 1}) {
        w.RGIdioma->SetItemIndex(language);
        OnEveryPage([&] {
            for (QAbstractButton* button : VisibleButtons()) {
                auto* tool = qobject_cast<QToolButton*>(button);
                if (tool == nullptr) continue;
                const std::string name = tool->objectName().toStdString();
                seen.insert(name);
                if (tool->icon().isNull())
                    faults.push_back(name + ": no picture");
                else if (tool->icon().pixmap(tool->iconSize()).isNull())
                    faults.push_back(name + ": a picture that draws nothing");
                if (tool->iconSize() != size)
                    faults.push_back(name + ": a picture of another size");
                // Never narrower than its picture.
                if (tool->sizeHint().width() < size.width() || tool->width() < size.width())
                    faults.push_back(name + ": narrower than its picture");
                if (tool->toolTip().trimmed().isEmpty()) faults.push_back(name + ": no hint");
            }
        });
    }
    // The buttons of the catalogue page's groups are among them.
    for (const char* name : {"SBRecatalogar", "SBCortarCatalogo", "SBPegarCatalogo",
                             "SBPegarCatalogo1", "SBImprimirCatalogo", "SBAbrirColector",
                             "SBVerCatalogo", "SBPonColorTexto", "SBIngles", "SpeedButton1"})
        EXPECT_EQ(seen.count(name), 1u) << name;
    EXPECT_TRUE(faults.empty()) << [&] {
        std::string list;
        for (const std::string& fault : std::set<std::string>(faults.begin(), faults.end()))
            list += "\n  " + fault;
        return "tool buttons:" + list;
    }();
    // The hints are the language file's.
    w.RGIdioma->SetItemIndex(0);
    EXPECT_EQ(w.SBCortarCatalogo->toolTip().toStdString(), LeeTexto("H", "H_CORTAR_CATALOGO"));
    EXPECT_EQ(w.SBVerCatalogo->toolTip().toStdString(), LeeTexto("H", "H_VER_CATALOGO"));
    EXPECT_EQ(w.SBCargaWinAmp->toolTip().toStdString(), LeeTexto("L", "GB_PATH_WINAMP"));
}

// ---- Showing a hit in its catalogue -------------------------------------------

struct ShowCase {
    const char* name;       // the hit's name column
    const char* node;       // the tree node selected afterwards
    const char* folderPath; // CurrentFolderPath afterwards
};

TEST_F(ControlsTest, ShowInCatalogueSelectsTheFolderAndTheEntry) {
    Start();
    TFPrincipal& w = *FPrincipal;
    const std::vector<ShowCase> cases = {
        {"encore.mp3", "Backups/Disco/Music/Live", "\\Music\\Live"}, // two levels down
        {"Encore\\", "Backups/Disco/Music/Live", "\\Music\\Live"},   // a folder: in its parent
        {"report.doc", "Backups/Disco", "\\"},                       // at the root
        {"Papers\\", "Backups/Disco", "\\"},
        {"encore.txt", "Backups/Disco/Papers", "\\Papers"},
        {"other.doc", "Other", "\\"}, // a catalogue at the top
    };
    for (const ShowCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Every search starts from a tree with the last hit's folders listed.
        Search(std::string(c.name).substr(0, std::string(c.name).find_first_of(".\\")));
        const int hit = ResultRow(c.name);
        ASSERT_GT(hit, 0);
        w.SGResultados->SetRow(hit);
        ASSERT_TRUE(w.SBVerCatalogo->isEnabled());
        w.SBVerCatalogo->click();

        EXPECT_EQ(w.PCMain->currentWidget(), w.TSCatalogos);
        ASSERT_NE(TreeNode(c.node), nullptr);
        EXPECT_EQ(w.Arbol->currentItem(), TreeNode(c.node));
        EXPECT_TRUE(w.Arbol->currentItem()->isExpanded() ||
                    w.Arbol->currentItem()->childCount() == 0);
        EXPECT_EQ(w.CurrentFolderPath, c.folderPath);
        const int row = DirectoryRow(c.name);
        ASSERT_GT(row, 0);
        EXPECT_EQ(w.SGDirectorio->Row(), row);
        EXPECT_EQ(w.SGDirectorio->Col(), 2);
        EXPECT_TRUE(recorder_.messages.empty());
        EXPECT_EQ(w.ScanBuffer.Count(), 0u);
    }
}

TEST_F(ControlsTest, ShowInCatalogueOfAHitWhoseCatalogueOrFolderIsGone) {
    Start();
    TFPrincipal& w = *FPrincipal;
    Search("encore");
    const int hit = ResultRow("encore.mp3");
    ASSERT_GT(hit, 0);
    w.SGResultados->SetRow(hit);

    // A folder the catalogue no longer has: the deepest folder that is still there.
    w.SGResultados->SetCells(3, hit, "\\Music\\Gone");
    w.SBVerCatalogo->click();
    EXPECT_EQ(w.Arbol->currentItem(), TreeNode("Backups/Disco/Music"));
    EXPECT_EQ(DirectoryRow("encore.mp3"), 0);
    EXPECT_EQ(w.ScanBuffer.Count(), 0u);

    // A catalogue the tree no longer holds: nothing changes.
    w.PCMain->setCurrentWidget(w.TSBuscar);
    w.SGResultados->SetCells(2, hit, "Vanished");
    w.SBVerCatalogo->click();
    EXPECT_EQ(w.PCMain->currentWidget(), w.TSBuscar);
    EXPECT_EQ(w.Arbol->currentItem(), TreeNode("Backups/Disco/Music"));
    EXPECT_TRUE(recorder_.messages.empty());
}

TEST(DescomponeRutaTest, SplitsAFolderPathIntoItsElements) {
    struct Case {
        const char* path;
        std::vector<std::string> elements;
    };
    for (const Case& c :
         {Case{"\\", {"\\"}}, Case{"\\a\\b\\", {"\\", "a", "b"}},
          Case{"\\Music\\", {"\\", "Music"}}, Case{"\\a b\\c.d\\é\\", {"\\", "a b", "c.d", "é"}}}) {
        CatalogueLines lines;
        TFPrincipal::DescomponeRuta(c.path, lines);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < lines.Count(); ++i)
            got.emplace_back(lines.Line(i));
        EXPECT_EQ(got, c.elements) << c.path;
    }
}

} // namespace
} // namespace sorvane
