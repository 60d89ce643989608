// Catalogue and collection operations through the main window: a re-catalogue
// that keeps every description of an entry still there, delete, cut and paste,
// with the files on disk decoded again and compared field by field.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLines.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "catalogue/scan/TFolderTree.h"
#include "dialogs/Language.h"
#include "dialogs/TFCambiarColeccion.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/AtomicFileFault.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"
#include "ui/RadioGroup.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
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

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

CatalogueLines Decode(const fs::path& path) {
    CatalogueLines lines;
    lines.LoadFromFile(path.string());
    return lines;
}

// A line's key: "[path]" for a folder line, the name for a file line.
std::string Key(std::string_view line) {
    return EsLineaCarpeta(line) ? "[" + std::string(DameCarpetaRuta(line)) + "]"
                                : std::string(DameFicheroNombre(line));
}

// Every entry of a catalogue with its description, in order.
std::vector<std::pair<std::string, std::string>> Described(const CatalogueLines& lines) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 1; i < lines.Count(); ++i)
        entries.emplace_back(Key(lines.Line(i)), std::string(DameLineaDescripcion(lines.Line(i))));
    return entries;
}

std::string Description(const CatalogueLines& lines, const std::string& key) {
    for (std::size_t i = 1; i < lines.Count(); ++i)
        if (Key(lines.Line(i)) == key) return std::string(DameLineaDescripcion(lines.Line(i)));
    return "<missing>";
}

class OperationsTest : public WindowTestRoot {
protected:
    // base/root: the catalogue root; base/tree: what is catalogued, as drive X.
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("ops"));
        root_ = base_ / "root";
        tree_ = base_ / "tree";
        fs::create_directories(root_);
        fs::create_directories(tree_);
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
        recorder_.messages.clear();
        recorder_.dialogs.clear();
    }

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

    // The catalogue tree: a.txt, keep.txt, old.txt, b.txt, sub/inner.txt,
    // arch/stored.zip (an archive with members), skip/c.txt.
    void BuildTree() {
        for (const char* folder : {"sub", "arch", "skip"})
            fs::create_directories(tree_ / folder);
        WriteFixedFile(tree_ / "a.txt", 10);
        WriteFixedFile(tree_ / "keep.txt", 11);
        WriteFixedFile(tree_ / "old.txt", 12);
        WriteFixedFile(tree_ / "b.txt", 13);
        WriteFixedFile(tree_ / "sub" / "inner.txt", 20);
        WriteFixedFile(tree_ / "skip" / "c.txt", 30);
        fs::copy_file(fs::path(std::getenv("SORVANE_TEST_DATA")) / "archive/zip/stored.zip",
                      tree_ / "arch" / "stored.zip");
        SetFixedTimes(tree_ / "arch" / "stored.zip");
        for (const char* folder : {"sub", "arch", "skip"})
            SetFixedTimes(tree_ / folder);
    }

    // A new disk catalogue of `letter` under `name`, excluding `exclusions`.
    void NewDiskCatalogue(const QString& name, char letter, const QString& exclusions) {
        When(FCrearDisco, [=] {
            ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive(letter));
            FCrearDisco->ENombre->setText(name);
            FCrearDisco->MExcluir->setPlainText(exclusions);
            FCrearDisco->BBNuevoCatalogo->click();
            FCrearDisco->hide();
        });
        ASSERT_TRUE(FPrincipal->SBNuevoDisco->isEnabled());
        FPrincipal->SBNuevoDisco->click();
        acts_.erase(FCrearDisco);
    }

    // Gives the entries of a loaded catalogue descriptions, in memory and in its
    // file, as the description editor does.
    void Describe(const QString& node, const std::map<std::string, std::string>& descriptions) {
        QTreeWidgetItem* item = TreeNode(node);
        ASSERT_NE(item, nullptr);
        CatalogueLines& lines = *AsNodo(item)->Lines();
        for (std::size_t i = 1; i < lines.Count(); ++i) {
            const auto found = descriptions.find(Key(lines.Line(i)));
            if (found != descriptions.end())
                lines.Replace(i, PonDescripcion(lines.Line(i), found->second));
        }
        lines.SaveToFile(FPrincipal->CarpetaDeNodo(item));
        FPrincipal->RecuerdaIdentidad(item);
    }

    // What the re-catalogue's window showed when it opened.
    struct Shown {
        QString name;
        bool nameEnabled = true, kindEnabled = true, driveEnabled = false, excludeEnabled = true,
             selectEnabled = true, folderTreeEnabled = true;
        int kind = -1;
        char drive = ' ';
        QString exclusions, folder;
    };

    // Re-catalogues the selected catalogue, running the scan in its window.
    Shown Recatalogue(bool run = true) {
        Shown shown;
        const auto record = [&](TVentanaCatalogar& window) {
            shown.name = window.ENombre->text();
            shown.nameEnabled = window.ENombre->isEnabled();
            shown.driveEnabled = window.DCBDisco->isEnabled();
            shown.drive = window.DCBDisco->Drive();
            shown.exclusions = window.MExcluir->toPlainText();
            shown.excludeEnabled = window.MExcluir->isEnabled();
            shown.selectEnabled = window.SBSelectCarpeta->isEnabled();
        };
        When(FCrearDisco, [&] {
            record(*FCrearDisco);
            shown.kind = FCrearDisco->RGTipoDisco->ItemIndex();
            shown.kindEnabled = FCrearDisco->RGTipoDisco->isEnabled();
            if (run) FCrearDisco->BBNuevoCatalogo->click();
        });
        When(FCrearCarpeta, [&] {
            record(*FCrearCarpeta);
            shown.folder = FCrearCarpeta->ENombreCarpeta->text();
            shown.folderTreeEnabled = FCrearCarpeta->ShellTreeView1->isEnabled();
            if (run) FCrearCarpeta->BBNuevoCatalogo->click();
        });
        EXPECT_TRUE(FPrincipal->SBRecatalogar->isEnabled());
        FPrincipal->SBRecatalogar->click();
        acts_.clear();
        return shown;
    }

    std::vector<std::string> Listing(const fs::path& folder) {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
        std::sort(names.begin(), names.end());
        return names;
    }

    static QTreeWidgetItem* Selected() { return FPrincipal->Arbol->currentItem(); }

    static void Select(const QString& node) {
        ASSERT_NE(TreeNode(node), nullptr) << node.toStdString();
        FPrincipal->Arbol->setCurrentItem(TreeNode(node));
    }

    static std::string Text(const char* key) { return LeeTexto("M", key); }

    fs::path base_, tree_;
    std::map<QDialog*, std::function<void()>> acts_;
};

// ---- Re-catalogue -------------------------------------------------------------

TEST_F(OperationsTest, RecatalogueKeepsEveryDescriptionOfAnEntryStillThere) {
    BuildTree();
    fs::create_directories(root_ / "Discs");
    ASSERT_NO_FATAL_FAILURE(Start());
    Select("Discs");
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Pinned", 'X', "X:\\skip"));
    ASSERT_NO_FATAL_FAILURE(Describe("Discs/Pinned", {{"a.txt", "first"},
                                                      {"keep.txt", "kept"},
                                                      {"old.txt", "removed"},
                                                      {"b.txt", "renamed"},
                                                      {"inner.txt", "nested folder"},
                                                      {"stored.zip", "archive"},
                                                      {"[\\sub]", "a folder"}}));
    const fs::path file = root_ / "Discs" / "Pinned.tct";
    const CatalogueLines before = Decode(file);
    const std::string header(before.Line(0));
    const bool serialLess = DameCabeceraNumSerie(header) == "0000-0000";

    // The disk changes: one file renamed, one removed, one added.
    fs::rename(tree_ / "b.txt", tree_ / "b2.txt");
    fs::remove(tree_ / "old.txt");
    WriteFixedFile(tree_ / "new.txt", 14);
    Select("Discs/Pinned");
    const long long entriesElsewhere =
        FPrincipal->TotalEntryCount - static_cast<long long>(before.Count() - 1);
    const Shown shown = Recatalogue();

    // The window was the catalogue's: its name, kind and exclusions, none editable.
    EXPECT_EQ(shown.name.toStdString(), "Pinned");
    EXPECT_FALSE(shown.nameEnabled);
    EXPECT_FALSE(shown.kindEnabled);
    EXPECT_EQ(shown.kind, 7); // H.D., as catalogued
    EXPECT_EQ(shown.drive, 'X');
    EXPECT_EQ(shown.driveEnabled, serialLess); // a volume without serial is the user's to confirm
    EXPECT_EQ(shown.exclusions.toStdString(), "X:\\skip\\");
    EXPECT_FALSE(shown.excludeEnabled);
    EXPECT_FALSE(shown.selectEnabled);
    EXPECT_EQ(recorder_.messages, serialLess
                                      ? std::vector<std::string>{Text("M_RECATALOGAR_PELIGRO")}
                                      : std::vector<std::string>{});

    // One catalogue file, no scan file left, decoded field by field.
    EXPECT_EQ(Listing(root_ / "Discs"), std::vector<std::string>{"Pinned.tct"});
    const CatalogueLines after = Decode(file);
    EXPECT_EQ(DameCabeceraNombre(after.Line(0)), DameCabeceraNombre(header));
    EXPECT_EQ(DameCabeceraTipo(after.Line(0)), DameCabeceraTipo(header));
    EXPECT_EQ(DameCabeceraNumSerie(after.Line(0)), DameCabeceraNumSerie(header));
    EXPECT_EQ(DameCabeceraExcluidas(after.Line(0)), DameCabeceraExcluidas(header));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"[\\]", ""},
        {"a.txt", "first"},
        {"b2.txt", ""},
        {"keep.txt", "kept"},
        {"new.txt", ""},
        {"[\\arch]", ""},
        {"stored.zip", "archive"},
        {"[\\sub]", "a folder"},
        {"inner.txt", "nested folder"}};
    std::vector<std::pair<std::string, std::string>> got = Described(after);
    // The walk's order within a folder is the file system's: compare sorted.
    std::vector<std::pair<std::string, std::string>> sortedGot = got, sortedExpected = expected;
    std::sort(sortedGot.begin(), sortedGot.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedGot, sortedExpected);
    for (std::size_t i = 1; i < after.Count(); ++i) {
        const std::string_view line = after.Line(i);
        if (Key(line) == "stored.zip") {
            EXPECT_EQ(CuentaAnidados(DameFicheroAnidados(line)), 2u);
        }
        if (Key(line) == "a.txt") {
            EXPECT_EQ(DameFicheroTamano(line), 10u);
        }
    }

    // The node is the reloaded file, selected and shown; the counters follow.
    QTreeWidgetItem* node = TreeNode("Discs/Pinned");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(TreeNode("Discs")->childCount(), 1);
    EXPECT_EQ(Selected(), node);
    EXPECT_EQ(FPrincipal->CurrentCatalogueNode, node);
    EXPECT_EQ(AsNodo(node)->Lines()->ToText(), after.ToText());
    EXPECT_EQ(FPrincipal->CatalogueCount, 1);
    EXPECT_EQ(FPrincipal->TotalEntryCount,
              entriesElsewhere + static_cast<long long>(after.Count() - 1));
    const std::vector<std::string> listed = GridColumn(*FPrincipal->SGDirectorio, 2);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "new.txt"), listed.end());
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

TEST_F(OperationsTest, RecatalogueOfAFolderCatalogueAndOfAFileNamedInCapitals) {
    BuildTree();
    ASSERT_NO_FATAL_FAILURE(Start());
    When(FCrearCarpeta, [this] {
        ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "sub").string()));
        FCrearCarpeta->ENombre->setText("Sub");
        FCrearCarpeta->BBNuevoCatalogo->click();
        FCrearCarpeta->hide();
    });
    FPrincipal->SBNuevaCarpeta->click();
    acts_.clear();
    ASSERT_NO_FATAL_FAILURE(Describe("Sub", {{"inner.txt", "inside"}, {"[\\]", "the root"}}));
    // The catalogue is the file "Sub.TCT", as one copied from elsewhere would be,
    // of a volume without serial.
    {
        CatalogueLines& lines = *AsNodo(TreeNode("Sub"))->Lines();
        std::string header(lines.Line(0));
        const std::string serial(DameCabeceraNumSerie(header));
        header.replace(header.find(serial), serial.size(), "0000-0000");
        lines.Replace(0, header);
        lines.SaveToFile((root_ / "Sub.tct").string());
        FPrincipal->RecuerdaIdentidad(TreeNode("Sub"));
    }
    fs::rename(root_ / "Sub.tct", root_ / "Sub.TCT");
    AsNodo(TreeNode("Sub"))->SetFileName("Sub.TCT");
    recorder_.messages.clear();
    WriteFixedFile(tree_ / "sub" / "added.txt", 5);
    SetFixedTimes(tree_ / "sub"); // the folder's dates as catalogued, so it keeps its description
    Select("Sub");
    const Shown shown = Recatalogue();

    // The folder is where the header says: found by its path, no question
    // asked; shown as Linux writes it, the catalogue keeps "X:\sub".
    EXPECT_EQ(shown.folder.toStdString(), (tree_ / "sub").string());
    EXPECT_FALSE(shown.folderTreeEnabled);
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{});
    EXPECT_FALSE(shown.nameEnabled);
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Sub.TCT"});
    const CatalogueLines after = Decode(root_ / "Sub.TCT");
    EXPECT_EQ(DameCabeceraTipo(after.Line(0)), 'C');
    EXPECT_EQ(DameCabeceraRuta(after.Line(0)), "\\sub");
    std::vector<std::pair<std::string, std::string>> got = Described(after);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"[\\]", "the root"}, {"added.txt", ""}, {"inner.txt", "inside"}}));
    ASSERT_NE(TreeNode("Sub"), nullptr);
    EXPECT_EQ(AsNodo(TreeNode("Sub"))->FileName(), "Sub.TCT");

    // The next new folder catalogue can choose its folder again.
    bool treeEnabled = false;
    When(FCrearCarpeta, [&] { treeEnabled = FCrearCarpeta->ShellTreeView1->isEnabled(); });
    FPrincipal->SBNuevaCarpeta->click();
    EXPECT_TRUE(treeEnabled);
}

TEST_F(OperationsTest, SerialLessZipOfDriveCKeepsItsKindAndLosesOnlyMissingExclusions) {
    // C is the tree here; a catalogue without serial matches no drive by serial.
    ::setenv("SORVANE_DRIVES", ("C=" + tree_.string()).c_str(), 1);
    BuildTree();
    fs::create_directories(tree_ / "gone");
    SetFixedTimes(tree_);
    ASSERT_NO_FATAL_FAILURE(Start());
    FPrincipal->CBSerialNumberOff->SetChecked(true);
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Zippy", 'C', "C:\\skip\nC:\\gone"));
    FPrincipal->CBSerialNumberOff->SetChecked(false);
    ASSERT_TRUE(fs::is_regular_file(root_ / "Zippy.tct"));
    // The medium is a Zip disk.
    {
        QTreeWidgetItem* node = TreeNode("Zippy");
        ASSERT_NE(node, nullptr);
        CatalogueLines& lines = *AsNodo(node)->Lines();
        std::string header(lines.Line(0));
        ASSERT_EQ(DameCabeceraTipo(header), '3');
        header[1] = '4';
        lines.Replace(0, header);
        lines.SaveToFile((root_ / "Zippy.tct").string());
        FPrincipal->RecuerdaIdentidad(node);
    }
    ASSERT_NO_FATAL_FAILURE(Describe("Zippy", {{"a.txt", "first"}}));
    // An excluded folder removed since: the run must still be possible.
    fs::remove(tree_ / "gone");
    Select("Zippy");
    const Shown shown = Recatalogue();

    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_RECATALOGAR_PELIGRO")});
    EXPECT_TRUE(shown.driveEnabled);
    EXPECT_EQ(shown.drive, 'C'); // the header's letter
    EXPECT_EQ(shown.kind, 9);    // Zip, though the drive is C
    EXPECT_EQ(shown.exclusions.toStdString(), "C:\\skip\\");
    const CatalogueLines after = Decode(root_ / "Zippy.tct");
    EXPECT_EQ(DameCabeceraTipo(after.Line(0)), '4');
    EXPECT_EQ(DameCabeceraExcluidas(after.Line(0)), "C:\\skip\\");
    EXPECT_EQ(Description(after, "a.txt"), "first");
    EXPECT_EQ(Description(after, "c.txt"), "<missing>");
    EXPECT_EQ(Description(after, "[\\gone]"), "<missing>");
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Zippy.tct"});
}

TEST_F(OperationsTest, CancelledRecatalogueChangesNothingAndNeverTrustsAnOldScanFile) {
    BuildTree();
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Pinned", 'X', ""));
    ASSERT_NO_FATAL_FAILURE(Describe("Pinned", {{"a.txt", "first"}}));
    const std::string bytes = Bytes(root_ / "Pinned.tct");
    // A scan file left by an interrupted run, of other content.
    WriteLines(root_ / "Pinned.RCT",
               {HeaderLine("Pinned"), FolderLine("X:\\"), FileLine("foreign.txt", 1)});
    Select("Pinned");
    const QString counters = FPrincipal->SBPrincipal->Panels(0).Text();
    recorder_.messages.clear();
    Recatalogue(false);

    EXPECT_EQ(Bytes(root_ / "Pinned.tct"), bytes);
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Pinned.tct"});
    ASSERT_NE(TreeNode("Pinned"), nullptr);
    EXPECT_EQ(AsNodo(TreeNode("Pinned"))->Lines()->ToText(), Decode(root_ / "Pinned.tct").ToText());
    EXPECT_EQ(FPrincipal->SBPrincipal->Panels(0).Text(), counters);
    EXPECT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Pinned"));

    // The next new disk catalogue can choose its medium again.
    bool kindEnabled = false;
    When(FCrearDisco, [&] { kindEnabled = FCrearDisco->RGTipoDisco->isEnabled(); });
    FPrincipal->SBNuevoDisco->click();
    acts_.clear();
    EXPECT_TRUE(kindEnabled);

    // A catalogue whose serial no drive carries is not scanned at all.
    const std::string lost = HeaderLine("Lost");
    WriteLines(root_ / "Lost.tct", {lost, FolderLine("E:\\"), FileLine("x.txt", 1)});
    recorder_.messages.clear();
    recorder_.dialogs.clear();
    FPrincipal->CargaFichero((root_ / "Lost.tct").string(), nullptr);
    Select("Lost");
    FPrincipal->SBRecatalogar->click();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_DISCO_NOENCONTRADO")});
    EXPECT_EQ(recorder_.dialogs.size(), 1u); // the message alone
    EXPECT_EQ(Decode(root_ / "Lost.tct").ToText(), AsNodo(TreeNode("Lost"))->Lines()->ToText());
}

// Every description the run could not carry over is listed after it, with its
// old path and whole text and one line counting them, in an error window shown
// even with the error list switched off: a renamed file, a touched file and a
// folder whose contents changed.
TEST_F(OperationsTest, DescriptionsARecatalogueCannotCarryOverAreShown) {
    BuildTree();
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Pinned", 'X', ""));
    ASSERT_NO_FATAL_FAILURE(Describe("Pinned", {{"a.txt", "first"},
                                                {"b.txt", "renamed, with: any text"},
                                                {"keep.txt", "touched note"},
                                                {"[\\sub]", "folder note"}}));
    fs::rename(tree_ / "b.txt", tree_ / "b2.txt");
    fs::last_write_time(tree_ / "keep.txt",
                        fs::last_write_time(tree_ / "keep.txt") + std::chrono::hours(48));
    WriteFixedFile(tree_ / "sub" / "added.txt", 3);
    fs::last_write_time(tree_ / "sub", fs::last_write_time(tree_ / "sub") + std::chrono::hours(48));
    FPrincipal->CBMostrarErroresCatalogo->SetChecked(false);
    recorder_.errorWindows = 0;
    Select("Pinned");
    Recatalogue();

    EXPECT_EQ(recorder_.errorWindows, 1);
    const std::string errors = FErrores->MErrores->toPlainText().toStdString();
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= errors.size();) {
        const std::size_t end = std::min(errors.find('\n', start), errors.size());
        lines.push_back(errors.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& line :
         {Text("M_DESCRIPCIONES_PERDIDAS") + " 3", std::string("\\b.txt: renamed, with: any text"),
          std::string("\\keep.txt: touched note"), std::string("\\sub: folder note")})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n"
                                                                            << errors;
    EXPECT_EQ(errors.find("first"), std::string::npos) << errors;
    EXPECT_EQ(Description(Decode(root_ / "Pinned.tct"), "a.txt"), "first");

    // Nothing lost: no window with the error list off.
    recorder_.errorWindows = 0;
    Select("Pinned");
    Recatalogue();
    EXPECT_EQ(recorder_.errorWindows, 0);
}

// Another copy of the program saves the catalogue while the scan runs: the
// run's result is not written over it, the user is told and the catalogue is
// loaded again from the disk.
TEST_F(OperationsTest, ARecatalogueNeverOverwritesAnotherCopysSave) {
    BuildTree();
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Pinned", 'X', ""));
    ASSERT_NO_FATAL_FAILURE(Describe("Pinned", {{"a.txt", "first"}}));
    const fs::path file = root_ / "Pinned.tct";
    CatalogueLines theirs = Decode(file);
    for (std::size_t i = 1; i < theirs.Count(); ++i)
        if (Key(theirs.Line(i)) == "keep.txt")
            theirs.Replace(i, PonDescripcion(theirs.Line(i), "theirs"));
    WriteFixedFile(tree_ / "new.txt", 14);
    Select("Pinned");
    recorder_.questions.clear();
    When(FCrearDisco, [&] {
        theirs.SaveToFile(file.string());
        FCrearDisco->BBNuevoCatalogo->click();
    });
    FPrincipal->SBRecatalogar->click();
    acts_.clear();
    EXPECT_EQ(Bytes(file), theirs.ToText());
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Pinned.tct"});
    ASSERT_EQ(recorder_.questions.size(), 1u);
    EXPECT_EQ(recorder_.questions[0].second.toStdString(),
              Text("M_CATALOGO_CAMBIADO") + "\r\n\r\n" + file.string());
    ASSERT_NE(TreeNode("Pinned"), nullptr);
    EXPECT_EQ(AsNodo(TreeNode("Pinned"))->Lines()->ToText(), theirs.ToText());
    EXPECT_FALSE(FPrincipal->BusyFlag);
    // Loaded again, the next run goes through and keeps both descriptions.
    Recatalogue();
    const CatalogueLines after = Decode(file);
    EXPECT_EQ(Description(after, "keep.txt"), "theirs");
    EXPECT_EQ(Description(after, "a.txt"), "first");
    EXPECT_EQ(Description(after, "new.txt"), "");
}

// The merged catalogue's save fails at its publishing (a fault injected): the
// catalogue file keeps its bytes, the tree keeps the catalogue as it was, the
// scan file goes and the reason is shown with the catalogue's own message.
TEST_F(OperationsTest, AFaultAtTheRecatalogueSaveKeepsTheCatalogue) {
    BuildTree();
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Pinned", 'X', ""));
    ASSERT_NO_FATAL_FAILURE(Describe("Pinned", {{"a.txt", "first"}}));
    const std::string bytes = Bytes(root_ / "Pinned.tct");
    WriteFixedFile(tree_ / "new.txt", 14);
    Select("Pinned");
    recorder_.messages.clear();
    {
        const test::FailedPublish fault("Pinned.tct", EIO);
        Recatalogue();
        EXPECT_EQ(fault.Refused(), 1);
    }
    const std::string expected = Text("M_IMPOSIBLE_CAMBIAR_CAT") + " Cannot replace \"" +
                                 (root_ / "Pinned.tct").string() + "\": " + std::strerror(EIO);
    EXPECT_NE(std::find(recorder_.messages.begin(), recorder_.messages.end(), expected),
              recorder_.messages.end())
        << ::testing::PrintToString(recorder_.messages);
    EXPECT_EQ(Bytes(root_ / "Pinned.tct"), bytes);
    EXPECT_EQ(Listing(root_), std::vector<std::string>{"Pinned.tct"});
    ASSERT_NE(TreeNode("Pinned"), nullptr);
    EXPECT_EQ(AsNodo(TreeNode("Pinned"))->Lines()->ToText(), Decode(root_ / "Pinned.tct").ToText());
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

// The window passes its "match by folder" box to the merge, and the error list
// of the run is shown after it: two files alike but for their folder, one of
// them described.
TEST_F(OperationsTest, RecatalogueMatchesByFolderWhenAskedAndShowsItsErrors) {
    for (const char* folder : {"one", "two"}) {
        fs::create_directories(tree_ / folder);
        WriteFixedFile(tree_ / folder / "same.txt", 7);
        SetFixedTimes(tree_ / folder);
    }
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(NewDiskCatalogue("Twins", 'X', ""));
    FPrincipal->CBMostrarErroresCatalogo->SetChecked(true);
    struct Case {
        bool byFolder;
        std::vector<std::string> described; // the folders whose same.txt has the description
        int errorWindows;
    };
    const Case cases[] = {{true, {"one"}, 0}, {false, {"one", "two"}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byFolder);
        // Only one/same.txt is described before the run.
        QTreeWidgetItem* item = TreeNode("Twins");
        ASSERT_NE(item, nullptr);
        CatalogueLines& lines = *AsNodo(item)->Lines();
        std::string folder;
        for (std::size_t i = 1; i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            if (EsLineaCarpeta(line))
                folder = DameCarpetaRuta(line);
            else if (Key(line) == "same.txt")
                lines.Replace(i, folder == "\\one" ? PonDescripcion(line, "twin")
                                                   : std::string(QuitaDescripcion(line)));
        }
        lines.SaveToFile(FPrincipal->CarpetaDeNodo(item));
        FPrincipal->RecuerdaIdentidad(item);
        FPrincipal->CBCarpetaIgual->SetChecked(c.byFolder);
        recorder_.errorWindows = 0;
        Select("Twins");
        Recatalogue();
        const CatalogueLines after = Decode(root_ / "Twins.tct");
        std::vector<std::string> described;
        for (std::size_t i = 1; i < after.Count(); ++i) {
            const std::string_view line = after.Line(i);
            if (EsLineaCarpeta(line))
                folder = DameCarpetaRuta(line);
            else if (Key(line) == "same.txt" && DameLineaDescripcion(line) == "twin")
                described.push_back(folder.substr(1));
        }
        std::sort(described.begin(), described.end());
        EXPECT_EQ(described, c.described);
        EXPECT_EQ(recorder_.errorWindows, c.errorWindows);
    }
}

// ---- Delete -------------------------------------------------------------------

class TreeOperationsTest : public OperationsTest {
protected:
    // Discs/{Alpha,Beta}.tct, Discs/Live/Gamma.tct, Other/ (empty), Notes/readme.txt,
    // Top.tct, Upper.TCT, and a catalogue whose name is not UTF-8.
    void Fill() {
        for (const char* folder : {"Discs/Live", "Other", "Notes"})
            fs::create_directories(root_ / folder);
        const auto catalogue = [&](const fs::path& path, const std::string& name, int files) {
            std::vector<std::string> lines = {HeaderLine(name), FolderLine("E:\\"),
                                              FolderLine("E:\\Music\\")};
            for (int i = 0; i < files; ++i)
                lines.push_back(FileLine("f" + std::to_string(i) + ".txt", 10));
            WriteLines(path, lines);
        };
        catalogue(root_ / "Discs" / "Alpha.tct", "Alpha", 1);
        catalogue(root_ / "Discs" / "Beta.tct", "Beta", 2);
        catalogue(root_ / "Discs" / "Live" / "Gamma.tct", "Gamma", 3);
        catalogue(root_ / "Top.tct", "Top", 1);
        catalogue(root_ / "Upper.TCT", "Upper", 1);
        catalogue(root_ / "Caf\xE9.tct", "Caf\xE9", 1);
        std::ofstream(root_ / "Notes" / "readme.txt") << "not a catalogue";
    }

    void Press(Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(FPrincipal->Arbol, &press);
        QApplication::sendEvent(FPrincipal->Arbol, &release);
    }

    std::vector<std::string> Counters() {
        return {std::to_string(FPrincipal->TotalEntryCount),
                std::to_string(FPrincipal->CatalogueCount)};
    }
};

TEST_F(TreeOperationsTest, DeleteACatalogueAndAnEmptyCollection) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    const long long entries = FPrincipal->TotalEntryCount;
    const long long catalogues = FPrincipal->CatalogueCount;
    ASSERT_EQ(catalogues, 6);

    // No: nothing happens.
    Select("Discs/Alpha");
    recorder_.answer = false;
    FPrincipal->SBEliminar->click();
    ASSERT_EQ(recorder_.questions.size(), 1u);
    EXPECT_EQ(recorder_.questions[0].first.toStdString(), LeeTexto("W", "BORRANDO") + "...");
    // The item on a second line, and the file that goes with a catalogue.
    EXPECT_EQ(recorder_.questions[0].second.toStdString(),
              Text("M_DESEA_BORRAR") + "\nAlpha\n\n" + Text("M_BORRA_FICHERO") + "\n" +
                  (root_ / "Discs" / "Alpha.tct").string());
    EXPECT_TRUE(fs::exists(root_ / "Discs" / "Alpha.tct"));
    EXPECT_EQ(Selected(), TreeNode("Discs/Alpha"));

    // Yes: the file, then the node; the next sibling is shown.
    recorder_.answer = true;
    FPrincipal->SBEliminar->click();
    EXPECT_FALSE(fs::exists(root_ / "Discs" / "Alpha.tct"));
    EXPECT_EQ(TreeNode("Discs/Alpha"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Discs/Beta"));
    EXPECT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Discs/Beta"));
    EXPECT_EQ(FPrincipal->CatalogueCount, catalogues - 1);
    EXPECT_EQ(FPrincipal->TotalEntryCount, entries - 3);
    EXPECT_EQ(FPrincipal->SBPrincipal->Panels(0).Text().toStdString(),
              std::to_string(entries - 3) + ":" + std::to_string(catalogues - 1));
    EXPECT_FALSE(FPrincipal->BusyFlag);

    // The Delete key on the tree.
    Press(Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(root_ / "Discs" / "Beta.tct"));
    EXPECT_EQ(Selected(), TreeNode("Discs/Live"));

    // An empty collection: its folder goes; the question names it alone.
    Select("Other");
    recorder_.questions.clear();
    FPrincipal->SBEliminar->click();
    ASSERT_EQ(recorder_.questions.size(), 1u);
    EXPECT_EQ(recorder_.questions[0].second.toStdString(), Text("M_DESEA_BORRAR") + "\nOther");
    EXPECT_FALSE(fs::exists(root_ / "Other"));
    EXPECT_EQ(TreeNode("Other"), nullptr);
    EXPECT_TRUE(recorder_.messages.empty());

    // An only child leaves its parent shown.
    Select("Discs/Live/Gamma");
    FPrincipal->SBEliminar->click();
    EXPECT_EQ(Selected(), TreeNode("Discs/Live"));
    EXPECT_FALSE(fs::exists(root_ / "Discs" / "Live" / "Gamma.tct"));

    // Names on disk in capitals or not in UTF-8 are deleted as those files; the
    // last node of its level leaves the one before it shown.
    Select("Upper");
    FPrincipal->SBEliminar->click();
    EXPECT_FALSE(fs::exists(root_ / "Upper.TCT"));
    EXPECT_EQ(Selected(), TreeNode("Top"));
    ASSERT_EQ(FPrincipal->Arbol->findItems("Caf", Qt::MatchStartsWith).size(), 1);
    FPrincipal->Arbol->setCurrentItem(
        FPrincipal->Arbol->findItems("Caf", Qt::MatchStartsWith).front());
    FPrincipal->SBEliminar->click();
    EXPECT_FALSE(fs::exists(root_ / "Caf\xE9.tct"));
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
    EXPECT_EQ(Listing(root_), (std::vector<std::string>{"Discs/", "Notes/", "Top.tct"}));
}

TEST_F(TreeOperationsTest, DeleteRefusesWhatItMustKeep) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<std::string> counters = Counters();

    // F2 on a collection opens its editor.
    Select("Discs");
    Press(Qt::Key_F2);
    EXPECT_EQ(recorder_.dialogs, std::vector<QDialog*>{FCambiarColeccion});

    // A collection holding nodes.
    Press(Qt::Key_Delete);
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_NOVACIA_COL")});
    EXPECT_TRUE(fs::exists(root_ / "Discs" / "Alpha.tct"));
    EXPECT_EQ(Selected(), TreeNode("Discs"));

    // A collection whose folder holds a file the tree does not show.
    recorder_.messages.clear();
    Select("Notes");
    ASSERT_TRUE(FPrincipal->SBEliminar->isEnabled());
    FPrincipal->SBEliminar->click();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_IMPOSIBLE_BORRAR_COL")});
    EXPECT_EQ(Bytes(root_ / "Notes" / "readme.txt"), "not a catalogue");
    EXPECT_EQ(Selected(), TreeNode("Notes"));

    // A folder of a catalogue: not even a question.
    recorder_.messages.clear();
    recorder_.questions.clear();
    Select("Top");
    Select("Top/Music");
    Press(Qt::Key_Delete);
    EXPECT_TRUE(recorder_.questions.empty());
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_NE(TreeNode("Top/Music"), nullptr);

    // A catalogue file the system will not delete.
    ASSERT_EQ(::chmod(root_.c_str(), 0500), 0);
    Select("Top");
    FPrincipal->SBEliminar->click();
    ASSERT_EQ(::chmod(root_.c_str(), 0700), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_NO_BORRAR_CATALOGO")});
        EXPECT_TRUE(fs::exists(root_ / "Top.tct"));
        EXPECT_EQ(Selected(), TreeNode("Top"));
        EXPECT_EQ(Counters(), counters);
    }
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

TEST_F(TreeOperationsTest, TheLastNodeIsNeverDeleted) {
    WriteLines(root_ / "Only.tct",
               {HeaderLine("Only"), FolderLine("E:\\"), FolderLine("E:\\Music\\")});
    ASSERT_NO_FATAL_FAILURE(Start());
    // Its folder nodes do not count.
    Select("Only");
    ASSERT_NE(TreeNode("Only/Music"), nullptr);
    FPrincipal->SBEliminar->click();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("I_NOBORRAR_ULTIMO")});
    EXPECT_TRUE(recorder_.questions.empty());
    EXPECT_TRUE(fs::exists(root_ / "Only.tct"));
}

// ---- Cut and paste ------------------------------------------------------------

// A catalogue another copy of the program saved since it was loaded is neither
// deleted nor moved unseen: the user is told and it is loaded again.
TEST_F(TreeOperationsTest, DeleteAndPasteLeaveAnotherCopysSaveAlone) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    const fs::path alpha = root_ / "Discs" / "Alpha.tct";
    const auto theirSave = [&](const std::string& description) {
        CatalogueLines lines = Decode(alpha);
        lines.Replace(2, PonDescripcion(lines.Line(2), description));
        lines.SaveToFile(alpha.string());
        return lines.ToText();
    };
    recorder_.answer = true;
    recorder_.questions.clear();
    std::string saved = theirSave("theirs");
    Select("Discs/Alpha");
    FPrincipal->SBEliminar->click();
    EXPECT_EQ(Bytes(alpha), saved);
    ASSERT_NE(TreeNode("Discs/Alpha"), nullptr);
    EXPECT_EQ(AsNodo(TreeNode("Discs/Alpha"))->Lines()->ToText(), saved);
    // The delete's own question, then the one about the file.
    ASSERT_EQ(recorder_.questions.size(), 2u);
    EXPECT_EQ(recorder_.questions[1].second.toStdString(),
              Text("M_CATALOGO_CAMBIADO") + "\r\n\r\n" + alpha.string());

    // The collection holding it is cut and pasted: nothing moves.
    recorder_.questions.clear();
    Select("Discs");
    FPrincipal->SBCortarCatalogo->click();
    saved = theirSave("theirs again");
    Select("Other");
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_EQ(Bytes(alpha), saved);
    EXPECT_FALSE(fs::exists(root_ / "Other" / "Discs"));
    EXPECT_NE(TreeNode("Discs/Alpha"), nullptr);
    EXPECT_EQ(recorder_.questions.size(), 1u);
    // Loaded again, the paste goes through.
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_EQ(Bytes(root_ / "Other" / "Discs" / "Alpha.tct"), saved);
}

TEST_F(TreeOperationsTest, CutAndPasteMoveCataloguesAndCollections) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<std::string> counters = Counters();
    const std::string alpha = Bytes(root_ / "Discs" / "Alpha.tct");

    // A catalogue into another collection.
    Select("Discs/Alpha");
    FPrincipal->SBCortarCatalogo->click();
    EXPECT_EQ(FPrincipal->CutPath, "Discs\\Alpha.tct");
    EXPECT_TRUE(FPrincipal->SBPegarCatalogo1->isEnabled());
    Select("Other");
    ASSERT_TRUE(FPrincipal->SBPegarCatalogo->isEnabled());
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_EQ(Bytes(root_ / "Other" / "Alpha.tct"), alpha);
    EXPECT_FALSE(fs::exists(root_ / "Discs" / "Alpha.tct"));
    EXPECT_EQ(TreeNode("Discs/Alpha"), nullptr);
    ASSERT_NE(TreeNode("Other/Alpha"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Other/Alpha"));
    EXPECT_TRUE(FPrincipal->CutPath.empty());
    EXPECT_EQ(FPrincipal->CutNode, nullptr);
    EXPECT_FALSE(FPrincipal->SBPegarCatalogo1->isEnabled());
    EXPECT_EQ(FPrincipal->CatalogueCollectionPath, "Other\\");

    // Into the collection that holds it already.
    FPrincipal->SBCortarCatalogo->click();
    Select("Other");
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_MISMA_CARPETA")});
    EXPECT_TRUE(fs::exists(root_ / "Other" / "Alpha.tct"));

    // A collection with what it holds, to the top level.
    recorder_.messages.clear();
    Select("Discs/Live");
    FPrincipal->SBCortarCatalogo->click();
    EXPECT_EQ(FPrincipal->CutPath, "Discs\\Live");
    FPrincipal->SBPegarCatalogo1->click();
    EXPECT_TRUE(fs::is_regular_file(root_ / "Live" / "Gamma.tct"));
    EXPECT_FALSE(fs::exists(root_ / "Discs" / "Live"));
    ASSERT_NE(TreeNode("Live/Gamma"), nullptr);
    EXPECT_EQ(Selected(), TreeNode("Live"));
    EXPECT_EQ(FPrincipal->CollectionPath, "Live");

    // A top-level catalogue pasted at the top level stays where it is.
    Select("Top");
    FPrincipal->SBCortarCatalogo->click();
    FPrincipal->SBPegarCatalogo1->click();
    EXPECT_TRUE(fs::exists(root_ / "Top.tct"));
    EXPECT_EQ(Selected(), TreeNode("Top"));
    EXPECT_TRUE(FPrincipal->CutPath.empty());

    // Files named in capitals or not in UTF-8 move as themselves.
    Select("Upper");
    FPrincipal->SBCortarCatalogo->click();
    Select("Notes");
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_EQ(Listing(root_ / "Notes"), (std::vector<std::string>{"Upper.TCT", "readme.txt"}));
    FPrincipal->Arbol->setCurrentItem(
        FPrincipal->Arbol->findItems("Caf", Qt::MatchStartsWith).front());
    FPrincipal->SBCortarCatalogo->click();
    Select("Notes");
    FPrincipal->SBPegarCatalogo->click();
    EXPECT_TRUE(fs::exists(root_ / "Notes" / "Caf\xE9.tct"));
    EXPECT_EQ(TreeNode("Notes")->childCount(), 2);

    // A folder of a catalogue cannot be cut.
    Select("Top/Music");
    FPrincipal->BBCortarCatalogoClick();
    EXPECT_TRUE(FPrincipal->CutPath.empty());
    Select("Notes");
    EXPECT_FALSE(FPrincipal->SBPegarCatalogo->isEnabled());
    EXPECT_FALSE(FPrincipal->SBPegarCatalogo1->isEnabled());

    EXPECT_EQ(recorder_.messages, std::vector<std::string>{});
    EXPECT_EQ(Counters(), counters);
    EXPECT_EQ(Listing(root_),
              (std::vector<std::string>{"Discs/", "Live/", "Notes/", "Other/", "Top.tct"}));
}

TEST_F(TreeOperationsTest, PasteNeverReplacesAndNeverGoesIntoItself) {
    Fill();
    // Another Beta in Other, and an empty folder named like the Live collection.
    WriteLines(root_ / "Other" / "Beta.tct",
               {HeaderLine("Beta"), FolderLine("E:\\"), FileLine("mine.txt", 1)});
    fs::create_directories(root_ / "Holder" / "Live");
    const std::string beta = Bytes(root_ / "Discs" / "Beta.tct");
    const std::string otherBeta = Bytes(root_ / "Other" / "Beta.tct");
    ASSERT_NO_FATAL_FAILURE(Start());

    const auto refused = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{Text("M_IMPOSIBLE_MOVER")});
        recorder_.messages.clear();
        EXPECT_EQ(Bytes(root_ / "Discs" / "Beta.tct"), beta);
        EXPECT_EQ(Bytes(root_ / "Other" / "Beta.tct"), otherBeta);
        EXPECT_TRUE(fs::is_regular_file(root_ / "Discs" / "Live" / "Gamma.tct"));
        EXPECT_TRUE(fs::is_empty(root_ / "Holder" / "Live"));
        for (const char* node : {"Discs/Beta", "Other/Beta", "Discs/Live/Gamma", "Holder/Live"})
            EXPECT_NE(TreeNode(node), nullptr) << node;
        // The cut stands, to be pasted elsewhere.
        EXPECT_FALSE(FPrincipal->CutPath.empty());
    };

    Select("Discs/Beta");
    FPrincipal->SBCortarCatalogo->click();
    Select("Other");
    FPrincipal->SBPegarCatalogo->click();
    refused("a catalogue onto one of its name");

    Select("Discs/Live");
    FPrincipal->SBCortarCatalogo->click();
    Select("Holder");
    FPrincipal->SBPegarCatalogo->click();
    refused("a collection onto an empty folder of its name");

    Select("Discs");
    FPrincipal->SBCortarCatalogo->click();
    FPrincipal->SBPegarCatalogo->click();
    refused("a collection into itself");
    Select("Discs/Live");
    FPrincipal->SBPegarCatalogo->click();
    refused("a collection into its own collection");
    EXPECT_EQ(TreeNode("Discs")->parent(), nullptr);
}

TEST_F(TreeOperationsTest, DeletingTheCutOrShownNodeForgetsIt) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    Select("Discs/Alpha");
    FPrincipal->SBCortarCatalogo->click();
    ASSERT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Discs/Alpha"));
    FPrincipal->SBEliminar->click();
    EXPECT_TRUE(FPrincipal->CutPath.empty());
    EXPECT_EQ(FPrincipal->CutNode, nullptr);
    EXPECT_NE(FPrincipal->CurrentCatalogueNode, nullptr); // Beta, shown now
    Select("Other");
    EXPECT_FALSE(FPrincipal->SBPegarCatalogo->isEnabled());
    FPrincipal->BBPegarCatalogoClick();
    FPrincipal->BBPegarCatalogo1Click();
    EXPECT_EQ(Listing(root_ / "Other"), std::vector<std::string>{});
    EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(TreeOperationsTest, NothingRunsWhileBusy) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    Select("Discs/Alpha");
    FPrincipal->BBCortarCatalogoClick();
    Select("Top");
    FPrincipal->BusyFlag = true;
    FPrincipal->BBEliminarClick();
    FPrincipal->BBRecatalogarClick();
    FPrincipal->BBPegarCatalogo1Click();
    FPrincipal->BBCortarCatalogoClick();
    FPrincipal->ArbolKeyUp(Qt::Key_Delete);
    FPrincipal->BusyFlag = false;
    EXPECT_TRUE(recorder_.questions.empty());
    EXPECT_TRUE(recorder_.dialogs.empty());
    EXPECT_TRUE(fs::exists(root_ / "Top.tct"));
    EXPECT_TRUE(fs::exists(root_ / "Discs" / "Alpha.tct"));
    EXPECT_EQ(FPrincipal->CutNode, TreeNode("Discs/Alpha"));
    Select("Other");
    FPrincipal->BusyFlag = true;
    FPrincipal->BBPegarCatalogoClick();
    FPrincipal->BusyFlag = false;
    EXPECT_TRUE(fs::exists(root_ / "Discs" / "Alpha.tct"));
}

TEST_F(TreeOperationsTest, ACancelledNewCatalogueKeepsTheShownOne) {
    Fill();
    ASSERT_NO_FATAL_FAILURE(Start());
    Select("Top");
    ASSERT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Top"));
    When(FCrearDisco, [] {});
    FPrincipal->SBNuevoDisco->click();
    EXPECT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Top"));
    When(FCrearCarpeta, [] {});
    FPrincipal->SBNuevaCarpeta->click();
    EXPECT_EQ(FPrincipal->CurrentCatalogueNode, TreeNode("Top"));
}

} // namespace
} // namespace sorvane
