// The catalogue-header editor and the description editor, driven through the
// main window's gestures and read back from their controls, the tree, the grid
// and the catalogue files, which the format's own loader and readers decode.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLoader.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFCambiarCatalogo.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Files.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "tests/platform/AtomicFileFault.h"
#include "ui/RadioGroup.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

// Two folders excluded when Disco was catalogued.
const std::string kExclusions = std::string(1, kNestedBracket) + "\\tmp" + kItemSeparator +
                                "\\cache" + kItemSeparator + kNestedBracket;

// The lines as a catalogue file holds them.
std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

class EditorsTest : public WindowTestRoot {
protected:
    // root/Backups/Disco.TCT: a CD-ROM catalogue with folders two levels deep,
    // kept under an upper-case extension; root/Other.tct: a catalogue at the
    // top; root/Letters.tct: a folder catalogue.
    void SetUp() override {
        EnterNewRoot("editors");
        fs::create_directories(root_ / "Backups");
        discoLines_ = {LineaCabecera("Disco", "CD-ROM", "1A2B-3C4D", "E:\\", "LABEL", 5, 1000, 2000,
                                     kExclusions),
                       FolderLine("E:\\"),
                       FileLine("report.doc", 1234),
                       FileLine("zeta.txt", 5),
                       FileLine("alpha.txt", 7),
                       FolderLine("E:\\Music\\"),
                       FileLine("song.mp3", 4'000'000),
                       FolderLine("E:\\Music\\Live\\"),
                       FileLine("alpha.mp3", 10),
                       FolderLine("E:\\Music\\Live\\Encore\\"),
                       FolderLine("E:\\Papers\\"),
                       FileLine("encore.txt", 5)};
        WriteLines(root_ / "Backups" / "Disco.TCT", discoLines_);
        WriteLines(root_ / "Other.tct",
                   {HeaderLine("Other"), FolderLine("E:\\"), FileLine("other.doc", 77)});
        WriteLines(root_ / "Letters.tct",
                   {LineaCabecera("Letters", "Dirs", "0000-0000", "E:\\docs", "", 3, 0, 500, ""),
                    LineaCarpetaRelativa("\\", kDos2001, kDos2001, 0, 1), FileLine("a.txt", 500)});
        OpenWindows();
        recorder_.onDialog = [this](QDialog& window) { return Answer(window); };
        ASSERT_NO_FATAL_FAILURE(Activate());
        FPrincipal->show();
        ASSERT_TRUE(recorder_.messages.empty());
    }

    // What the test does in `window` when the main window opens it.
    void When(QDialog* window, std::function<void()> act) { acts_[window] = std::move(act); }

    // Shows the window as the program would and runs the test's act in it; a
    // window still open afterwards is closed as cancelled.
    int Answer(QDialog& window) {
        const auto act = acts_.find(&window);
        if (act == acts_.end()) return QDialog::Rejected;
        window.show();
        act->second();
        leftOpen_ = window.isVisible();
        if (window.isVisible()) window.done(QDialog::Rejected);
        return window.result();
    }

    // In the header editor: the new name, type item and total, then Accept.
    void EditHeader(const QString& name, int type = -2, const QString& total = {}) {
        When(FCambiarCatalogo, [name, type, total] {
            TFCambiarCatalogo& k = *FCambiarCatalogo;
            k.ENueva->setText(name);
            if (type > -2) k.RGTipoDiscoNuevo->SetItemIndex(type);
            if (!total.isEmpty()) k.ENuevoTotal->setText(total);
            k.BBAceptar->click();
        });
    }

    // In the description editor: the new description, then Accept.
    void EditDescription(const QString& text) {
        When(FCambiarDescripcion, [this, text] {
            shownPath_ = FCambiarDescripcion->MNombre->toPlainText();
            shownOld_ = FCambiarDescripcion->EAnterior->text();
            FCambiarDescripcion->ENueva->setText(text);
            FCambiarDescripcion->BBAceptar->click();
        });
    }

    static void Select(const char* node) {
        QTreeWidgetItem* item = TreeNode(node);
        ASSERT_NE(item, nullptr) << node;
        FPrincipal->Arbol->setCurrentItem(item);
        ASSERT_EQ(FPrincipal->Arbol->currentItem(), item);
    }

    // The directory grid row whose name column holds `name`; 0 when none does.
    static int Row(const std::string& name) {
        for (int row = 1; row < FPrincipal->SGDirectorio->RowCount(); ++row)
            if (FPrincipal->SGDirectorio->Cells(2, row) == name) return row;
        return 0;
    }

    static void Key(QWidget* target, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }

    // The entries of a folder, sorted.
    static std::vector<std::string> Listing(const fs::path& folder) {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The lines of a catalogue file as the program's loader reads them back;
    // fails when the loader refuses the file (a header name that is not the
    // file's name, among others).
    static std::vector<std::string> Load(const fs::path& path) {
        LoadedCatalogue loaded = CargaCatalogo(path.string());
        std::vector<std::string> lines;
        EXPECT_NE(loaded.lines, nullptr) << path << " refused by the loader";
        if (loaded.lines)
            for (std::size_t i = 0; i < loaded.lines->Count(); ++i)
                lines.emplace_back(loaded.lines->Line(i));
        return lines;
    }

    static std::vector<std::string> MemoryLines(const char* node) {
        std::vector<std::string> lines;
        const CatalogueLines& l = *AsNodo(TreeNode(node))->Lines();
        for (std::size_t i = 0; i < l.Count(); ++i)
            lines.emplace_back(l.Line(i));
        return lines;
    }

    std::vector<std::string> discoLines_;
    std::map<QDialog*, std::function<void()>> acts_;
    bool leftOpen_ = false;
    QString shownPath_, shownOld_;
};

// The fields of a header, each read by the format's own readers.
struct HeaderFields {
    char type, drive;
    std::string serial, label, name, path, exclusions;
    std::int64_t free, used;
    std::int32_t driveType;

    explicit HeaderFields(std::string_view h)
        : type(DameCabeceraTipo(h)), drive(DameCabeceraUnidad(h)), serial(DameCabeceraNumSerie(h)),
          label(DameCabeceraVolumen(h)), name(DameCabeceraNombre(h)), path(DameCabeceraRuta(h)),
          exclusions(DameCabeceraExcluidas(h)), free(DameCabeceraLibre(h)),
          used(DameCabeceraOcupado(h)), driveType(DameCabeceraTipoUnidad(h)) {}
};

void ExpectFields(const HeaderFields& got, const HeaderFields& want) {
    EXPECT_EQ(got.type, want.type);
    EXPECT_EQ(got.drive, want.drive);
    EXPECT_EQ(got.serial, want.serial);
    EXPECT_EQ(got.label, want.label);
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.path, want.path);
    EXPECT_EQ(got.exclusions, want.exclusions);
    EXPECT_EQ(got.free, want.free);
    EXPECT_EQ(got.used, want.used);
    EXPECT_EQ(got.driveType, want.driveType);
}

// ---- Header editor ----------------------------------------------------------

TEST_F(EditorsTest, HeaderEditorShowsTheSelectedCatalogue) {
    TFCambiarCatalogo& k = *FCambiarCatalogo;
    struct Shown {
        QString name;
        int oldType, newType;
        bool typeOpen, totalOpen;
        std::string used, free, total, newFree;
    } shown;
    When(FCambiarCatalogo, [&] {
        shown = {k.EAnterior->text(),
                 k.RGTipoDiscoAnterior->ItemIndex(),
                 k.RGTipoDiscoNuevo->ItemIndex(),
                 k.RGTipoDiscoNuevo->isEnabled(),
                 k.ENuevoTotal->isEnabled(),
                 k.LAnteriorOcupadoDato->text().toStdString(),
                 k.LAnteriorLibreDato->text().toStdString(),
                 k.ENuevoTotal->text().toStdString(),
                 k.ENuevoLibre->text().toStdString()};
        EXPECT_EQ(k.ENueva->text(), k.EAnterior->text());
        EXPECT_EQ(k.LAnteriorTotalDato->text(), k.ENuevoTotal->text());
    });
    // A disk catalogue, opened by the properties button.
    Select("Backups/Disco");
    ASSERT_TRUE(FPrincipal->SBCambiar->isEnabled());
    FPrincipal->SBCambiar->click();
    EXPECT_EQ(shown.name, "Disco");
    EXPECT_EQ(shown.oldType, 1); // CD-ROM
    EXPECT_EQ(shown.newType, 1);
    EXPECT_TRUE(shown.typeOpen);
    EXPECT_TRUE(shown.totalOpen);
    EXPECT_EQ(shown.used, FormatThousands(2000));
    EXPECT_EQ(shown.free, FormatThousands(1000));
    EXPECT_EQ(shown.total, FormatThousands(3000));
    EXPECT_EQ(shown.newFree, FormatThousands(1000));

    // A folder catalogue, opened by F2 on the tree: "Dirs", no new type, a fixed total.
    Select("Letters");
    Key(FPrincipal->Arbol, Qt::Key_F2);
    EXPECT_EQ(shown.name, "Letters");
    EXPECT_EQ(shown.oldType, 12);
    EXPECT_EQ(shown.newType, -1);
    EXPECT_FALSE(shown.typeOpen);
    EXPECT_FALSE(shown.totalOpen);

    // F2 on a collection still opens the collection editor.
    Select("Backups");
    Key(FPrincipal->Arbol, Qt::Key_F2);
    EXPECT_EQ(recorder_.dialogs.back(), FCambiarColeccion);
}

TEST_F(EditorsTest, RenameRetypeAndResizeACatalogue) {
    Select("Backups/Disco");
    const std::string total = FormatThousands(5000);
    EditHeader("Música 2", 5 /* DVD */, QString::fromStdString(total));
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(leftOpen_);
    EXPECT_TRUE(recorder_.messages.empty());

    // The file has the new name; the old one is gone and no second one is made.
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Música 2.tct"});
    const std::vector<std::string> lines = Load(root_ / "Backups" / "Música 2.tct");
    ASSERT_EQ(lines.size(), discoLines_.size());
    HeaderFields want(discoLines_[0]);
    want.name = "Música 2";
    want.type = '2';
    want.free = 5000 - 2000;
    ExpectFields(HeaderFields(lines[0]), want);
    EXPECT_EQ(DameCabeceraExcluidas(lines[0]), DameCabeceraExcluidas(discoLines_[0]));
    EXPECT_TRUE(std::equal(lines.begin() + 1, lines.end(), discoLines_.begin() + 1))
        << "entry lines changed";

    // Memory, the node and the panels follow.
    QTreeWidgetItem* node = TreeNode("Backups/Música 2");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(MemoryLines("Backups/Música 2"), lines);
    EXPECT_EQ(node->data(0, Qt::UserRole).toInt(), 7); // the DVD picture
    EXPECT_EQ(AsNodo(node)->FileName(), "Música 2.tct");
    EXPECT_EQ(FPrincipal->PArbolAbajoBarraFree->text().toStdString(),
              FormateaTamano(3000, LeeTexto("W", "BYTES")));

    // A second edit works on the renamed file.
    EditHeader("Música 2", 0 /* CD-A */);
    FPrincipal->SBCambiar->click();
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Música 2.tct"});
    EXPECT_EQ(DameCabeceraTipo(Load(root_ / "Backups" / "Música 2.tct")[0]), 'M');
}

TEST_F(EditorsTest, ATypeChangeRewritesTheFileTheCatalogueWasLoadedFrom) {
    Select("Backups/Disco");
    EditHeader("Disco", 7 /* H.D. */);
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(leftOpen_);
    // Disco.TCT itself, never a new Disco.tct beside it.
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Disco.TCT"});
    const std::vector<std::string> lines = Load(root_ / "Backups" / "Disco.TCT");
    HeaderFields want(discoLines_[0]);
    want.type = '3';
    ExpectFields(HeaderFields(lines[0]), want);
    EXPECT_EQ(TreeNode("Backups/Disco")->data(0, Qt::UserRole).toInt(), 9);
}

TEST_F(EditorsTest, AFolderCatalogueIsRenamedAndKeepsItsType) {
    Select("Letters");
    EditHeader("Cartas");
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(leftOpen_);
    EXPECT_FALSE(fs::exists(root_ / "Letters.tct"));
    const std::vector<std::string> lines = Load(root_ / "Cartas.tct");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(DameCabeceraTipo(lines[0]), 'C');
    EXPECT_EQ(DameCabeceraRuta(lines[0]), "\\docs");
    EXPECT_EQ(DameCabeceraOcupado(lines[0]), 500);
    EXPECT_EQ(DameCabeceraLibre(lines[0]), 0);
}

TEST_F(EditorsTest, ATotalBelowTheUsedBytesGivesANegativeFreeSpace) {
    Select("Other");
    EditHeader("Other", -2, "1,500");
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(leftOpen_);
    EXPECT_EQ(DameCabeceraLibre(Load(root_ / "Other.tct")[0]), 1500 - 2000);
}

TEST_F(EditorsTest, ACatalogueChangesTheLetterCaseOfItsOwnName) {
    Select("Backups/Disco");
    EditHeader("DISCO");
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"DISCO.tct"});
    EXPECT_EQ(DameCabeceraNombre(Load(root_ / "Backups" / "DISCO.tct")[0]), "DISCO");
}

TEST_F(EditorsTest, RefusedNamesChangeNothing) {
    // A catalogue file of the collection that is not loaded (its header names
    // another catalogue) holds the name "Ghost".
    WriteLines(root_ / "Backups" / "ghost.TCT", {HeaderLine("Phantom")});
    const std::string ghost = ReadWholeFile((root_ / "Backups" / "ghost.TCT").string());
    const std::string disco = ReadWholeFile((root_ / "Backups" / "Disco.TCT").string());
    const std::string noName = LeeTexto("M", "M_SIN_NOMBRE");
    const std::string taken = LeeTexto("M", "M_NOMBRE_REPETIDO");
    const std::string characters = LeeTexto("M", "M_CARACTER_PROHIBIDO") + " ";
    const struct {
        QString name;
        std::string message;
    } cases[] = {
        {"", noName},
        {"   ", noName},
        {"a/b", characters + "/"}, // pasted: would move the file to another folder
        {"x/../y", characters + "/ ."},
        {"..", characters + "."},
        {"up\\down", characters + "\\"},
        {"x\x1Ay", characters + "#26"}, // blanked in the header but kept in the file name
        {"tab\there", characters + "#9"},
        {"what?", characters + "?"},
        {"OTHER", taken}, // another loaded catalogue, in another case
        {"Óther", taken}, // and with an accent
        {"Ghost", taken}, // a catalogue file that is there, loaded or not
    };
    Select("Backups/Disco");
    const std::vector<std::string> before = MemoryLines("Backups/Disco");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        recorder_.messages.clear();
        EditHeader(c.name, 7);
        FPrincipal->SBCambiar->click();
        EXPECT_TRUE(leftOpen_);
        ASSERT_EQ(recorder_.messages.size(), 1u);
        EXPECT_EQ(recorder_.messages[0], c.message);
        EXPECT_EQ(Listing(root_ / "Backups"), (std::vector<std::string>{"Disco.TCT", "ghost.TCT"}));
        EXPECT_EQ(ReadWholeFile((root_ / "Backups" / "Disco.TCT").string()), disco);
        EXPECT_EQ(ReadWholeFile((root_ / "Backups" / "ghost.TCT").string()), ghost);
        EXPECT_EQ(MemoryLines("Backups/Disco"), before);
    }
}

TEST_F(EditorsTest, TypedRefusedCharactersDoNotReachTheName) {
    When(FCambiarCatalogo, [] {
        QLineEdit* box = FCambiarCatalogo->ENueva;
        box->clear();
        for (const char* typed : {"a", "/", "\\", ".", "*", "|", "\x1A", "b"}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(typed));
            QApplication::sendEvent(box, &press);
        }
        EXPECT_EQ(box->text(), "ab");
    });
    Select("Other");
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(fs::exists(root_ / "Other.tct"));
}

TEST_F(EditorsTest, ATotalThatIsNoNumberLeavesTheFreeSpaceEmptyAndIsRefused) {
    const std::string disco = ReadWholeFile((root_ / "Backups" / "Disco.TCT").string());
    When(FCambiarCatalogo, [] {
        TFCambiarCatalogo& k = *FCambiarCatalogo;
        k.ENuevoTotal->setText("12a");
        EXPECT_TRUE(k.ENuevoLibre->text().isEmpty());
        k.ENuevoTotal->clear();
        EXPECT_TRUE(k.ENuevoLibre->text().isEmpty());
        k.ENueva->setText("Renamed");
        k.BBAceptar->click();
    });
    Select("Backups/Disco");
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(leftOpen_);
    EXPECT_TRUE(recorder_.messages.empty()); // no error box per keystroke
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Disco.TCT"});
    EXPECT_EQ(ReadWholeFile((root_ / "Backups" / "Disco.TCT").string()), disco);
}

TEST(LeeNumeroTest, ReadsTheTotalWithAnyThousandsSeparator) {
    const struct {
        const char* text;
        const char* separator;
        std::optional<std::int64_t> value;
    } cases[] = {
        {"1,234,567", ",", 1234567},
        {"1.234.567", ".", 1234567},
        {"1\u202F234\u202F567", "\u202F", 1234567}, // a narrow no-break space, as fr_FR has
        {"1\u00A0234", "\u00A0", 1234},             // a no-break space
        {"1'234", "'", 1234},
        {"1,234", "\u202F", 1234}, // "," and "." pass under any locale
        {" 42 ", ",", 42},
        {"0", ",", 0},
        {"", ",", std::nullopt},
        {"12a", ",", std::nullopt},
        {"-5", ",", std::nullopt},
        {"1 234", ",", std::nullopt},
        {"1234567890123456789", ",", std::nullopt}, // more than any byte count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TFCambiarCatalogo::LeeNumero(QString::fromUtf8(c.text), c.separator), c.value);
    }
}

TEST_F(EditorsTest, AFailedWriteLeavesTheCatalogueAsItWas) {
    Select("Backups/Disco");
    QTreeWidgetItem* node = TreeNode("Backups/Disco");
    const int picture = node->data(0, Qt::UserRole).toInt();
    const std::vector<std::string> before = MemoryLines("Backups/Disco");
    // The collection's folder goes away while the window is open: nothing can be written there.
    When(FCambiarCatalogo, [this] {
        fs::rename(root_ / "Backups", root_ / "Moved");
        FCambiarCatalogo->ENueva->setText("Renamed");
        FCambiarCatalogo->RGTipoDiscoNuevo->SetItemIndex(7);
        FCambiarCatalogo->BBAceptar->click();
    });
    FPrincipal->SBCambiar->click();
    EXPECT_TRUE(leftOpen_);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0].rfind(LeeTexto("M", "M_IMPOSIBLE_CAMBIAR_CAT"), 0), 0u)
        << recorder_.messages[0];
    EXPECT_EQ(TreeNode("Backups/Disco"), node);
    EXPECT_EQ(node->data(0, Qt::UserRole).toInt(), picture);
    EXPECT_EQ(MemoryLines("Backups/Disco"), before);
    EXPECT_EQ(Listing(root_ / "Moved"), std::vector<std::string>{"Disco.TCT"});
    EXPECT_EQ(Load(root_ / "Moved" / "Disco.TCT"), discoLines_);
}

TEST_F(EditorsTest, HeaderEditorShowsOnceAndIsNotResetWhenActivatedAgain) {
    When(FCambiarCatalogo, [] {
        TFCambiarCatalogo& k = *FCambiarCatalogo;
        k.ENueva->setText("Typed");
        k.ENuevoTotal->setText("9,999");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&k, &activate);
        EXPECT_EQ(k.ENueva->text(), "Typed");
        EXPECT_EQ(k.ENuevoTotal->text(), "9,999");
    });
    Select("Other");
    FPrincipal->SBCambiar->click();
}

// ---- Description editor -------------------------------------------------------

// How the description editor is opened for the current row.
enum class Gesture { Button, DoubleClick, F2 };

void Open(Gesture gesture) {
    TFPrincipal& w = *FPrincipal;
    switch (gesture) {
    case Gesture::Button:
        ASSERT_TRUE(w.SBDescripcion->isEnabled());
        w.SBDescripcion->click();
        break;
    case Gesture::DoubleClick:
        w.SGDirectorio->SetCol(1);
        w.SGDirectorioDblClick();
        break;
    case Gesture::F2: {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F2, Qt::NoModifier);
        QApplication::sendEvent(w.SGDirectorio, &press);
        QApplication::sendEvent(w.SGDirectorio, &release);
        break;
    }
    }
}

TEST_F(EditorsTest, DescriptionsOfFilesAndFoldersAreWrittenToTheirLines) {
    const struct {
        const char* node;
        const char* row; // the grid's name cell
        Gesture gesture;
        std::size_t line; // its line in the catalogue
        const char* path; // what the window shows as the entry's path
    } cases[] = {
        {"Backups/Disco", "report.doc", Gesture::Button, 2, "E:\\report.doc"},
        {"Backups/Disco", "Music\\", Gesture::DoubleClick, 5,
         "E:\\Music\\"}, // a folder at the root
        {"Backups/Disco/Music", "Live\\", Gesture::Button, 7, "E:\\Music\\Live\\"},
        {"Backups/Disco/Music/Live", "Encore\\", Gesture::F2, 9,
         "E:\\Music\\Live\\Encore\\"}, // two levels down
        {"Backups/Disco/Music/Live", "alpha.mp3", Gesture::Button, 8, "E:\\Music\\Live\\alpha.mp3"},
    };
    std::vector<std::string> want = discoLines_;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        const QString text = QString("Descripción %1").arg(++n);
        Select(c.node);
        const int row = Row(c.row);
        ASSERT_GT(row, 0);
        FPrincipal->SGDirectorio->SetCurrentCell(2, row);
        EditDescription(text);
        Open(c.gesture);
        EXPECT_FALSE(leftOpen_);
        EXPECT_EQ(shownPath_.toStdString(), c.path);
        EXPECT_EQ(shownOld_, "");
        EXPECT_EQ(FPrincipal->SGDirectorio->CellText(1, row), text);
        EXPECT_TRUE(FPrincipal->SBPrincipal->Panels(1).Text().isEmpty());
        want[c.line] = PonDescripcion(want[c.line], text.toStdString());
        const std::vector<std::string> lines = Load(root_ / "Backups" / "Disco.TCT");
        EXPECT_EQ(lines, want);
        ASSERT_GT(lines.size(), c.line);
        EXPECT_EQ(DameLineaDescripcion(lines[c.line]), text.toStdString());
        EXPECT_EQ(MemoryLines("Backups/Disco"), want);
    }
    EXPECT_EQ(recorder_.questions.size(), std::size(cases));
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Disco.TCT"});
}

TEST_F(EditorsTest, AFileRowFindsItsLineAfterTheGridIsSorted) {
    Select("Backups/Disco");
    TGridMouseEvent click;
    click.button = Qt::LeftButton;
    click.col = 2;
    click.row = 0;
    click.x = FPrincipal->CentroColumna(2);
    FPrincipal->SGDirectorioMouseUp(FPrincipal, click);
    ASSERT_LT(Row("alpha.txt"), Row("zeta.txt"));
    FPrincipal->SGDirectorio->SetCurrentCell(2, Row("zeta.txt"));
    EditDescription("Last letter");
    Open(Gesture::Button);
    std::vector<std::string> want = discoLines_;
    want[3] = PonDescripcion(want[3], "Last letter");
    EXPECT_EQ(Load(root_ / "Backups" / "Disco.TCT"), want);
}

TEST_F(EditorsTest, ClearingADescriptionGivesBackTheLineWithout) {
    Select("Backups/Disco");
    FPrincipal->SGDirectorio->SetCurrentCell(2, Row("report.doc"));
    EditDescription("Annual report");
    Open(Gesture::Button);
    ASSERT_NE(Load(root_ / "Backups" / "Disco.TCT"), discoLines_);
    EditDescription("   ");
    Open(Gesture::Button);
    EXPECT_EQ(shownOld_, "Annual report");
    EXPECT_EQ(Load(root_ / "Backups" / "Disco.TCT"), discoLines_);
    EXPECT_EQ(FPrincipal->SGDirectorio->CellText(1, Row("report.doc")), "");
}

TEST_F(EditorsTest, PastedCharactersADescriptionCannotHoldAreRemoved) {
    Select("Backups/Disco");
    FPrincipal->SGDirectorio->SetCurrentCell(2, Row("report.doc"));
    EditDescription(QString("  one\r\ntwo|three") + QChar(29) + QChar(31) + QChar(26) + "\tfour  ");
    Open(Gesture::Button);
    const std::vector<std::string> lines = Load(root_ / "Backups" / "Disco.TCT");
    ASSERT_EQ(lines.size(), discoLines_.size()); // no line was split
    EXPECT_EQ(DameLineaDescripcion(lines[2]), "onetwothreefour");
    EXPECT_EQ(DameFicheroNombre(lines[2]), "report.doc");
    EXPECT_FALSE(TieneAnidados(lines[2]));
    EXPECT_FALSE(TieneMultimedia(lines[2]));

    // Typed, they do not reach the box.
    When(FCambiarDescripcion, [] {
        QLineEdit* box = FCambiarDescripcion->ENueva;
        box->clear();
        for (const char* typed : {"a", "|", "\x1D", "\x1F", "\x0A", "b"}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(typed));
            QApplication::sendEvent(box, &press);
        }
        EXPECT_EQ(box->text(), "ab");
    });
    Open(Gesture::Button);
}

TEST_F(EditorsTest, AnUnchangedDescriptionOrANoChangesNothing) {
    Select("Backups/Disco");
    FPrincipal->SGDirectorio->SetCurrentCell(2, Row("report.doc"));
    const auto modified = fs::last_write_time(root_ / "Backups" / "Disco.TCT");
    // The same text after trimming: no question, no write.
    EditDescription("   ");
    Open(Gesture::Button);
    EXPECT_TRUE(leftOpen_);
    EXPECT_TRUE(recorder_.questions.empty());
    // Answered No.
    recorder_.answer = false;
    EditDescription("Not wanted");
    Open(Gesture::Button);
    EXPECT_TRUE(leftOpen_);
    EXPECT_EQ(recorder_.questions.size(), 1u);
    EXPECT_EQ(recorder_.questions[0].first.toStdString(), LeeTexto("M", "M_CAMBIAR_DESC"));
    EXPECT_EQ(recorder_.questions[0].second.toStdString(), LeeTexto("M", "M_DESEA_CAMBIAR_DESC"));
    EXPECT_EQ(Load(root_ / "Backups" / "Disco.TCT"), discoLines_);
    EXPECT_EQ(fs::last_write_time(root_ / "Backups" / "Disco.TCT"), modified);
    EXPECT_EQ(FPrincipal->SGDirectorio->CellText(1, Row("report.doc")), "");
}

TEST_F(EditorsTest, ActivationDuringTheQuestionKeepsTheTypedDescription) {
    Select("Backups/Disco");
    FPrincipal->SGDirectorio->SetCurrentCell(2, Row("report.doc"));
    // The window becomes active again when the question box closes.
    recorder_.onQuestion = [] {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(FCambiarDescripcion, &activate);
    };
    EditDescription("Kept");
    Open(Gesture::Button);
    EXPECT_FALSE(leftOpen_);
    EXPECT_EQ(DameLineaDescripcion(Load(root_ / "Backups" / "Disco.TCT")[2]), "Kept");
}

TEST_F(EditorsTest, AFailedDescriptionSaveLeavesMemoryAsTheFileIs) {
    Select("Backups/Disco");
    const int row = Row("report.doc");
    FPrincipal->SGDirectorio->SetCurrentCell(2, row);
    recorder_.onQuestion = [this] { fs::rename(root_ / "Backups", root_ / "Moved"); };
    EditDescription("Lost?");
    Open(Gesture::Button);
    EXPECT_TRUE(leftOpen_);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_NE(recorder_.messages[0].find("Disco.TCT"), std::string::npos) << recorder_.messages[0];
    EXPECT_EQ(MemoryLines("Backups/Disco"), discoLines_);
    EXPECT_EQ(FPrincipal->SGDirectorio->CellText(1, row), "");
    EXPECT_TRUE(FPrincipal->SBPrincipal->Panels(1).Text().isEmpty());
    EXPECT_EQ(Load(root_ / "Moved" / "Disco.TCT"), discoLines_);
}

// The description's save fails at its publishing (a fault injected): the file
// keeps its bytes, memory keeps what the file holds, the reason is shown and
// the editor stays open with the text typed.
TEST_F(EditorsTest, AFaultAtTheDescriptionSaveKeepsTheFile) {
    Select("Backups/Disco");
    const int row = Row("report.doc");
    FPrincipal->SGDirectorio->SetCurrentCell(2, row);
    const fs::path file = root_ / "Backups" / "Disco.TCT";
    const std::string bytes = ReadWholeFile(file.string());
    const test::FailedPublish fault("Disco.TCT", EIO);
    EditDescription("Lost?");
    Open(Gesture::Button);
    EXPECT_EQ(fault.Refused(), 1);
    EXPECT_TRUE(leftOpen_);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], "Cannot replace \"" +
                                         FPrincipal->FicheroDeCatalogo(TreeNode("Backups/Disco")) +
                                         "\": " + std::strerror(EIO));
    EXPECT_EQ(ReadWholeFile(file.string()), bytes);
    EXPECT_EQ(MemoryLines("Backups/Disco"), discoLines_);
    EXPECT_EQ(FPrincipal->SGDirectorio->CellText(1, row), "");
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Disco.TCT"});
}

// Two copies of the program on one root: the other copy saves the catalogue
// while this one's editor is open. Nothing is written over it, the user is
// told (the file named) and, on the answer, the catalogue is loaded again; the
// text stays in the editor and its next Accept writes it beside the other's.
TEST_F(EditorsTest, AnEditNeverOverwritesAnotherCopysSave) {
    const fs::path file = root_ / "Backups" / "Disco.TCT";
    std::vector<std::string> theirs = discoLines_;
    theirs[3] = PonDescripcion(theirs[3], "theirs"); // zeta.txt
    const std::string changed = LeeTexto("M", "M_CATALOGO_CAMBIADO") + "\r\n\r\n" +
                                FPrincipal->FicheroDeCatalogo(TreeNode("Backups/Disco"));
    const auto asked = [&] {
        int count = 0;
        for (const auto& [caption, text] : recorder_.questions)
            count += text.toStdString() == changed;
        return count;
    };
    // Their save: in place (another size) or by rename (another file).
    const std::function<void()> saves[] = {
        [&] { WriteLines(file, theirs); },
        [&] { WriteFileAtomically(file.string(), Join(theirs)); },
    };
    for (const auto& save : saves) {
        WriteLines(file, discoLines_);
        FPrincipal->RecargaCatalogo(TreeNode("Backups/Disco"));
        recorder_.questions.clear();
        Select("Backups/Disco");
        FPrincipal->SGDirectorio->SetCurrentCell(2, Row("report.doc"));
        bool openAfterFirst = false;
        std::vector<std::string> fileAfterFirst, memoryAfterFirst;
        When(FCambiarDescripcion, [&] {
            FCambiarDescripcion->ENueva->setText("mine");
            save();
            FCambiarDescripcion->BBAceptar->click();
            openAfterFirst = FCambiarDescripcion->isVisible();
            fileAfterFirst = Load(file);
            memoryAfterFirst = MemoryLines("Backups/Disco");
            EXPECT_EQ(FCambiarDescripcion->ENueva->text(), "mine");
            FCambiarDescripcion->BBAceptar->click();
        });
        Open(Gesture::Button);
        EXPECT_TRUE(openAfterFirst);
        EXPECT_EQ(asked(), 1);
        EXPECT_EQ(fileAfterFirst, theirs);
        EXPECT_EQ(memoryAfterFirst, theirs);
        // The second Accept wrote both changes.
        EXPECT_FALSE(leftOpen_);
        std::vector<std::string> both = theirs;
        both[2] = PonDescripcion(both[2], "mine");
        EXPECT_EQ(Load(file), both);
        EXPECT_EQ(MemoryLines("Backups/Disco"), both);
    }

    // The header editor: nothing renamed while the file is another's.
    recorder_.questions.clear();
    std::vector<std::string> header = Load(file);
    header[4] = PonDescripcion(header[4], "theirs too"); // alpha.txt
    bool renamedAfterFirst = true;
    When(FCambiarCatalogo, [&] {
        FCambiarCatalogo->ENueva->setText("Renamed");
        WriteFileAtomically(file.string(), Join(header));
        FCambiarCatalogo->BBAceptar->click();
        renamedAfterFirst = fs::exists(root_ / "Backups" / "Renamed.tct");
        EXPECT_TRUE(FCambiarCatalogo->isVisible());
        EXPECT_EQ(FCambiarCatalogo->ENueva->text(), "Renamed");
        FCambiarCatalogo->BBAceptar->click();
    });
    Select("Backups/Disco");
    FPrincipal->SBCambiar->click();
    EXPECT_FALSE(renamedAfterFirst);
    EXPECT_EQ(recorder_.questions.size(), 1u);
    EXPECT_FALSE(leftOpen_);
    EXPECT_EQ(Listing(root_ / "Backups"), std::vector<std::string>{"Renamed.tct"});
    const std::vector<std::string> renamed = Load(root_ / "Backups" / "Renamed.tct");
    EXPECT_EQ(DameLineaDescripcion(renamed[4]), "theirs too");
    EXPECT_EQ(DameCabeceraNombre(renamed[0]), "Renamed");
}

TEST_F(EditorsTest, AnEntryNotFoundInItsFolderIsReported) {
    Select("Backups/Disco");
    const int row = Row("report.doc");
    FPrincipal->SGDirectorio->SetCurrentCell(2, row);
    // The grid names an entry its catalogue does not hold.
    FPrincipal->SGDirectorio->SetCells(2, row, "missing.doc");
    EditDescription("Nowhere");
    Open(Gesture::Button);
    EXPECT_TRUE(leftOpen_);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], LeeTexto("M", "M_IMPOSIBLE_CAMBIAR_DESC"));
    EXPECT_EQ(MemoryLines("Backups/Disco"), discoLines_);
    EXPECT_EQ(Load(root_ / "Backups" / "Disco.TCT"), discoLines_);
}

// ---- Gestures -----------------------------------------------------------------

TEST_F(EditorsTest, TheEditorsOpenOnlyWhereTheyApplyAndNeverWhileBusy) {
    TFPrincipal& w = *FPrincipal;
    const auto opened = [&] {
        const std::size_t count = recorder_.dialogs.size();
        recorder_.dialogs.clear();
        return count;
    };
    // A collection listing has no description to edit.
    Select("Backups");
    w.SGDirectorio->SetCurrentCell(1, 1);
    EXPECT_FALSE(w.SBDescripcion->isEnabled());
    w.BBDescripcionClick();
    w.SGDirectorioDblClick();
    Open(Gesture::F2);
    EXPECT_EQ(opened(), 0u);

    // While a long operation runs, no gesture opens anything.
    Select("Backups/Disco");
    w.SGDirectorio->SetCurrentCell(1, Row("report.doc"));
    w.BusyFlag = true;
    w.BBDescripcionClick();
    w.SGDirectorioDblClick();
    Open(Gesture::F2);
    w.BBCambiarClick();
    Key(w.Arbol, Qt::Key_F2);
    w.BusyFlag = false;
    EXPECT_EQ(opened(), 0u);

    // Otherwise each opens its editor.
    for (Gesture gesture : {Gesture::Button, Gesture::DoubleClick, Gesture::F2}) {
        w.SGDirectorio->SetCurrentCell(1, Row("report.doc"));
        Open(gesture);
        ASSERT_EQ(opened(), 1u);
    }
    w.BBCambiarClick();
    Key(w.Arbol, Qt::Key_F2);
    EXPECT_EQ(opened(), 2u);
}

} // namespace
} // namespace sorvane
