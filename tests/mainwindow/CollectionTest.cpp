// Collections through the main window: a new user's first collection and
// catalogues on an empty catalogue root, the new-collection window and the
// collection editor, their refusals and what the tree keeps after a rename.
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "dialogs/Language.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCrearColeccion.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

class CollectionTest : public WindowTestRoot {
protected:
    // base/root: the catalogue root, empty unless a test fills it before Start();
    // base/tree/docs/a.txt: what the cataloguing windows catalogue, as drive X.
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("col"));
        root_ = base_ / "root";
        tree_ = base_ / "tree";
        fs::create_directories(root_);
        fs::create_directories(tree_ / "docs");
        std::ofstream(tree_ / "docs" / "a.txt") << "0123456789";
        ::setenv("SORVANE_DRIVES", ("X=" + tree_.string()).c_str(), 1);
        Enter(root_);
        recorder_.systemPrefix = "";
        recorder_.onDialog = [this](QDialog& window) { return Answer(window); };
    }

    void TearDown() override {
        WindowTestRoot::TearDown();
        ::unsetenv("SORVANE_DRIVES");
    }

    void Start() {
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
    }

    // What the test does in `window` when the main window opens it.
    void When(QDialog* window, std::function<void()> act) { acts_[window] = std::move(act); }

    // Shows the window as the program would and runs the test's act in it; a
    // window still open afterwards is closed as cancelled.
    int Answer(QDialog& window) {
        const auto act = acts_.find(&window);
        if (act == acts_.end()) return QDialog::Accepted;
        window.show();
        act->second();
        if (window.isVisible()) window.done(QDialog::Rejected);
        return window.result();
    }

    // In the new-collection window: types nothing, sets the name, presses Create.
    void NewCollection(const QString& name) {
        When(FCrearColeccion, [this, name] {
            topLevelChecked_ = FCrearColeccion->CBPrimerNivel->Checked();
            topLevelLocked_ = !FCrearColeccion->CBPrimerNivel->isEnabled();
            FCrearColeccion->ENueva->setText(name);
            FCrearColeccion->BBAceptar->click();
            leftOpen_ = FCrearColeccion->isVisible();
        });
    }

    void Rename(const QString& name) {
        When(FCambiarColeccion, [this, name] {
            shownName_ = FCambiarColeccion->EAnterior->text();
            FCambiarColeccion->ENueva->setText(name);
            FCambiarColeccion->BBAceptar->click();
            leftOpen_ = FCambiarColeccion->isVisible();
        });
    }

    // In the folder cataloguing window: catalogues X:\docs under `name`.
    void NewFolderCatalogue(const QString& name) {
        When(FCrearCarpeta, [this, name] {
            ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "docs").string()));
            FCrearCarpeta->ENombre->setText(name);
            FCrearCarpeta->BBNuevoCatalogo->click();
            FCrearCarpeta->hide();
        });
    }

    void NewDiskCatalogue(const QString& name) {
        When(FCrearDisco, [this, name] {
            ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive('X'));
            FCrearDisco->ENombre->setText(name);
            FCrearDisco->BBNuevoCatalogo->click();
            FCrearDisco->hide();
        });
    }

    // The entries of a folder of the root, sorted ("a/", "b.tct").
    std::vector<std::string> Listing(const fs::path& folder) {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
        std::sort(names.begin(), names.end());
        return names;
    }

    QTreeWidgetItem* Selected() { return FPrincipal->Arbol->currentItem(); }

    fs::path base_, tree_;
    std::map<QDialog*, std::function<void()>> acts_;
    bool topLevelChecked_ = false, topLevelLocked_ = false, leftOpen_ = false;
    QString shownName_;
};

TEST_F(CollectionTest, FirstUseOnAnEmptyRoot) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(FPrincipal->Arbol->topLevelItemCount(), 0);
    for (QToolButton* button :
         {FPrincipal->SBNuevoDisco, FPrincipal->SBNuevaCarpeta, FPrincipal->SBNuevaColeccion})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();

    // A folder catalogue with nothing selected lands at the top of the root.
    NewFolderCatalogue("Letters");
    FPrincipal->SBNuevaCarpeta->click();
    ASSERT_TRUE(fs::is_regular_file(root_ / "Letters.tct"));
    ASSERT_NE(TreeNode("Letters"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Letters"));

    // With a top-level catalogue selected, the collection can only go to the top.
    NewCollection("Music");
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_TRUE(topLevelChecked_);
    EXPECT_TRUE(topLevelLocked_);
    EXPECT_FALSE(leftOpen_);
    ASSERT_TRUE(fs::is_directory(root_ / "Music"));
    ASSERT_NE(TreeNode("Music"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Music"));
    EXPECT_EQ(FPrincipal->CollectionPath, "Music");

    // A disk catalogue in the new collection.
    NewDiskCatalogue("Pinned");
    ASSERT_TRUE(FPrincipal->SBNuevoDisco->isEnabled());
    FPrincipal->SBNuevoDisco->click();
    EXPECT_TRUE(fs::is_regular_file(root_ / "Music" / "Pinned.tct"));
    EXPECT_NE(TreeNode("Music/Pinned"), nullptr);

    EXPECT_EQ(Listing(root_), (std::vector<std::string>{"Letters.tct", "Music/"}));
    EXPECT_EQ(Listing(root_ / "Music"), (std::vector<std::string>{"Pinned.tct"}));
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
}

TEST_F(CollectionTest, NothingSelectedCreatesAtTheTop) {
    fs::create_directories(root_ / "Old");
    ASSERT_NO_FATAL_FAILURE(Start());
    // The paths kept for a collection selected before must not steer the next ones.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Old"));
    ASSERT_EQ(FPrincipal->CollectionPath, "Old");
    FPrincipal->Arbol->setCurrentItem(nullptr);
    for (QToolButton* button :
         {FPrincipal->SBNuevoDisco, FPrincipal->SBNuevaCarpeta, FPrincipal->SBNuevaColeccion})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();

    NewCollection("New");
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_TRUE(topLevelChecked_);
    EXPECT_TRUE(topLevelLocked_);
    EXPECT_TRUE(fs::is_directory(root_ / "New"));
    ASSERT_NE(TreeNode("New"), nullptr);

    FPrincipal->Arbol->setCurrentItem(nullptr);
    NewFolderCatalogue("Loose");
    FPrincipal->SBNuevaCarpeta->click();
    EXPECT_TRUE(fs::is_regular_file(root_ / "Loose.tct"));
    EXPECT_TRUE(fs::is_empty(root_ / "Old"));
    EXPECT_NE(TreeNode("Loose"), nullptr);
}

TEST_F(CollectionTest, NewCollectionInsideTheSelectedOne) {
    fs::create_directories(root_ / "Music");
    ASSERT_NO_FATAL_FAILURE(Start());
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    NewCollection("Live");
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_FALSE(topLevelChecked_);
    EXPECT_FALSE(topLevelLocked_);
    EXPECT_TRUE(fs::is_directory(root_ / "Music" / "Live"));
    ASSERT_NE(TreeNode("Music/Live"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Music/Live"));
    EXPECT_EQ(FPrincipal->CollectionPath, "Music\\Live");

    // Ticking the box puts the next one at the top, beside Music.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    When(FCrearColeccion, [] {
        FCrearColeccion->CBPrimerNivel->SetChecked(true);
        FCrearColeccion->ENueva->setText("  Video  ");
        FCrearColeccion->BBAceptar->click();
    });
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_TRUE(fs::is_directory(root_ / "Video"));
    EXPECT_NE(TreeNode("Video"), nullptr);
}

TEST_F(CollectionTest, NewCollectionRefusals) {
    fs::create_directories(root_ / "Music" / "Live");
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string refused = LeeTexto("M", "M_IMPOSIBLE_CREAR");
    const std::string characters = LeeTexto("M", "M_CARACTER_PROHIBIDO") + " ";
    // Pasted names skip the key filter, and the message names what it holds
    // that is not allowed; an existing folder cannot be made again.
    const std::pair<const char*, std::string> cases[] = {
        {"a/b", characters + "/"}, {"a\\b", characters + "\\"},   {"..", characters + "."},
        {".", characters + "."},   {"../up", characters + ". /"}, {"x\x1Ay", characters + "#26"},
        {"Live", refused},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
        recorder_.messages.clear();
        NewCollection(QString::fromUtf8(name));
        FPrincipal->SBNuevaColeccion->click();
        EXPECT_TRUE(leftOpen_);
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{message});
        EXPECT_EQ(Listing(root_), std::vector<std::string>{"Music/"});
        EXPECT_EQ(Listing(root_ / "Music"), std::vector<std::string>{"Live/"});
        EXPECT_EQ(FPrincipal->Arbol->topLevelItemCount(), 1);
        EXPECT_EQ(TreeNode("Music")->childCount(), 1);
    }
    // A blank name does nothing and the window stays.
    recorder_.messages.clear();
    NewCollection("   ");
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_TRUE(leftOpen_);
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Music/"});
}

TEST_F(CollectionTest, RenameRefusals) {
    fs::create_directories(root_ / "Music");
    fs::create_directories(root_ / "Empty");
    WriteLines(root_ / "Music" / "Disc.tct", {HeaderLine("Disc"), FolderLine("\\")});
    ASSERT_NO_FATAL_FAILURE(Start());
    struct stat before {};
    ASSERT_EQ(::stat((root_ / "Empty").c_str(), &before), 0);
    const std::string refused = LeeTexto("M", "M_IMPOSIBLE_RENOMBRAR_COL");
    const std::string characters = LeeTexto("M", "M_CARACTER_PROHIBIDO") + " ";
    // Names that would move the folder elsewhere (the message says what in
    // them is not allowed), and an existing empty folder, which a plain rename
    // would replace.
    const std::pair<const char*, std::string> cases[] = {
        {"../Out", characters + "/"},
        {"a/b", characters + "/"},
        {"a\\b", characters + "\\"},
        {"Col/../x\\y", characters + "/ \\"},
        {"..", characters + ".."},
        {".", characters + "."},
        {"   ", refused},
        {"Empty", refused},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
        recorder_.messages.clear();
        Rename(QString::fromUtf8(name));
        FPrincipal->SBCambiar->click();
        EXPECT_EQ(shownName_, "Music");
        EXPECT_TRUE(leftOpen_);
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{message});
        EXPECT_EQ(Listing(root_), (std::vector<std::string>{"Empty/", "Music/"}));
        EXPECT_EQ(Listing(base_), (std::vector<std::string>{"root/", "tree/"}));
        EXPECT_NE(TreeNode("Music/Disc"), nullptr);
    }
    struct stat after {};
    ASSERT_EQ(::stat((root_ / "Empty").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // The same name does nothing and the window stays.
    recorder_.messages.clear();
    Rename(" Music ");
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(leftOpen_);
    EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(CollectionTest, RenameKeepsCataloguesAndMovesTheKeptPaths) {
    fs::create_directories(root_ / "Music" / "Live");
    WriteLines(root_ / "Music" / "Disc.tct", {HeaderLine("Disc"), FolderLine("\\")});
    ASSERT_NO_FATAL_FAILURE(Start());

    // A dot is allowed in a new name given here.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    Rename("Music v1.2");
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(leftOpen_);
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Music v1.2/"});
    EXPECT_EQ(Listing(root_ / "Music v1.2"), (std::vector<std::string>{"Disc.tct", "Live/"}));
    EXPECT_NE(TreeNode("Music v1.2/Disc"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Music v1.2"));
    EXPECT_EQ(FPrincipal->CollectionPath, "Music v1.2");

    // A catalogue made next lands in the renamed folder.
    NewFolderCatalogue("After");
    FPrincipal->SBNuevaCarpeta->click();
    EXPECT_TRUE(fs::is_regular_file(root_ / "Music v1.2" / "After.tct"));
    EXPECT_NE(TreeNode("Music v1.2/After"), nullptr);

    // A collection below the top is renamed beside itself.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music v1.2/Live"));
    Rename("Concerts");
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(fs::is_directory(root_ / "Music v1.2" / "Concerts"));
    EXPECT_EQ(FPrincipal->CollectionPath, "Music v1.2\\Concerts");
    EXPECT_NE(TreeNode("Music v1.2/Concerts"), nullptr);
}

TEST_F(CollectionTest, NameKeys) {
    fs::create_directories(root_ / "Music");
    ASSERT_NO_FATAL_FAILURE(Start());
    const auto type = [](QLineEdit* box, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
    };
    const auto enter = [](QLineEdit* box) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(box, &press);
    };
    // A dot cannot be typed in a new collection's name; Enter creates it.
    FPrincipal->Arbol->setCurrentItem(nullptr);
    When(FCrearColeccion, [&] {
        type(FCrearColeccion->ENueva, "v1.2*/");
        EXPECT_EQ(FCrearColeccion->ENueva->text(), "v12");
        enter(FCrearColeccion->ENueva);
    });
    FPrincipal->SBNuevaColeccion->click();
    EXPECT_TRUE(fs::is_directory(root_ / "v12"));

    // The rename takes a dot; Enter renames.
    FPrincipal->Arbol->setCurrentItem(TreeNode("Music"));
    When(FCambiarColeccion, [&] {
        FCambiarColeccion->ENueva->clear();
        type(FCambiarColeccion->ENueva, "M.1");
        EXPECT_EQ(FCambiarColeccion->ENueva->text(), "M.1");
        enter(FCambiarColeccion->ENueva);
    });
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(fs::is_directory(root_ / "M.1"));
}

} // namespace
} // namespace sorvane
