// Cataloguing through the windows: a folder and a pinned drive are catalogued
// under the offscreen platform, the catalogue file is decoded and compared,
// and the refusals before a run are checked.
#include "app/StandingWindows.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLines.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "dialogs/Language.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "platform/CataloguePath.h"
#include "platform/Prompts.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/DriveComboBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

class CataloguingTest : public WindowTestRoot {
protected:
    void SetUp() override {
        base_ = fs::canonical(OwnedTempFolder("cat"));
        root_ = base_ / "root";
        tree_ = base_ / "tree";
        fs::create_directories(root_ / "Discs");
        BuildTree();
        ::setenv("SORVANE_DRIVES", ("X=" + tree_.string()).c_str(), 1);
        Enter(root_);
        recorder_.systemPrefix = "";
        OpenWindows();
        ASSERT_NO_FATAL_FAILURE(Activate());
    }

    void TearDown() override {
        WindowTestRoot::TearDown();
        ::unsetenv("SORVANE_DRIVES");
    }

    // tree/: a.txt (10 bytes), .hidden (3), x.mp3 (a FIFO), sub/b.txt (20),
    // skip/c.txt (30, excluded), loop -> . (a symbolic link to its folder).
    void BuildTree() {
        fs::create_directories(tree_ / "sub");
        fs::create_directories(tree_ / "skip");
        WriteFixedFile(tree_ / "a.txt", 10);
        WriteFixedFile(tree_ / ".hidden", 3);
        WriteFixedFile(tree_ / "sub" / "b.txt", 20);
        WriteFixedFile(tree_ / "skip" / "c.txt", 30);
        ASSERT_EQ(::mkfifo((tree_ / "x.mp3").c_str(), 0644), 0);
        fs::create_directory_symlink(".", tree_ / "loop");
        for (const char* folder : {"sub", "skip"})
            SetFixedTimes(tree_ / folder);
    }

    CatalogueLines Saved(const fs::path& file) {
        CatalogueLines lines;
        lines.LoadFromFile(file.string());
        return lines;
    }

    std::vector<std::string> Names(const CatalogueLines& lines) {
        std::vector<std::string> names;
        for (std::size_t i = 1; i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            names.push_back(EsLineaCarpeta(line) ? "[" + std::string(DameCarpetaRuta(line)) + "]"
                                                 : std::string(DameFicheroNombre(line)));
        }
        return names;
    }

    QTreeWidgetItem* TopLevel(const QString& text) {
        for (int i = 0; i < FPrincipal->Arbol->topLevelItemCount(); ++i)
            if (FPrincipal->Arbol->topLevelItem(i)->text(0) == text)
                return FPrincipal->Arbol->topLevelItem(i);
        return nullptr;
    }

    fs::path base_, tree_;
};

TEST_F(CataloguingTest, FolderCatalogueOfATree) {
    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta(tree_.string()));
    // The folder as Linux writes it.
    EXPECT_EQ(FCrearCarpeta->ENombreCarpeta->text().toStdString(), tree_.string());
    // A drive root cannot be catalogued as a folder.
    EXPECT_FALSE(FCrearCarpeta->BBNuevoCatalogo->isEnabled());
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "sub").string()));
    EXPECT_EQ(FCrearCarpeta->ENombreCarpeta->text().toStdString(), (tree_ / "sub").string());
    EXPECT_TRUE(FCrearCarpeta->BBNuevoCatalogo->isEnabled());
    FCrearCarpeta->ENombre->setText("Sub folder");
    FCrearCarpeta->BBNuevoCatalogoClick();
    FCrearCarpeta->hide();

    const CatalogueLines lines = Saved(root_ / "Sub folder.tct");
    ASSERT_EQ(lines.Count(), 3u);
    const std::string_view header = lines.Line(0);
    EXPECT_EQ(DameCabeceraTipo(header), 'C');
    EXPECT_EQ(DameCabeceraRuta(header), "\\sub");
    EXPECT_EQ(DameCabeceraLibre(header), 0);
    EXPECT_EQ(DameCabeceraOcupado(header), 20);
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"[\\]", "b.txt"}));
    EXPECT_EQ(DameFicheroTamano(lines.Line(2)), 20u);
    EXPECT_EQ(DameFicheroModificado(lines.Line(2)), (DateTime{2001, 3, 4, 10, 30, 0}));
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_NE(TopLevel("Sub folder"), nullptr);
}

// A full disk at the save of a new catalogue is the user's disk, not an
// internal error: the catalogue's own message with the file and the reason,
// and nothing left in the root.
TEST_F(CataloguingTest, AFullDiskAtTheSaveIsReportedAsSuch) {
    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "sub").string()));
    FCrearCarpeta->ENombre->setText("Sub folder");
    recorder_.messages.clear();
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    FCrearCarpeta->BBNuevoCatalogoClick();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    FCrearCarpeta->hide();
    EXPECT_EQ(recorder_.messages,
              std::vector<std::string>{LeeTexto("M", "M_IMPOSIBLE_GUARDAR_CAT") +
                                       " Cannot write \"" + (root_ / "Sub folder.tct").string() +
                                       "\": " + std::strerror(EFBIG)});
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
    EXPECT_EQ(TopLevel("Sub folder"), nullptr);
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_TRUE(FCrearCarpeta->BBNuevoCatalogo->isEnabled());
}

TEST_F(CataloguingTest, CataloguedArchivesCarryTheirMembers) {
    fs::create_directories(tree_ / "arch");
    const char* data = std::getenv("SORVANE_TEST_DATA");
    ASSERT_NE(data, nullptr);
    fs::copy_file(fs::path(data) / "archive/zip/stored.zip", tree_ / "arch" / "stored.zip");
    WriteFixedFile(tree_ / "arch" / "plain.txt", 5);

    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "arch").string()));
    FCrearCarpeta->ENombre->setText("Archives");
    FCrearCarpeta->BBNuevoCatalogoClick();
    FCrearCarpeta->hide();
    EXPECT_TRUE(FCrearCarpeta->LAnidadoCurso->text().isEmpty());

    const CatalogueLines lines = Saved(root_ / "Archives.tct");
    ASSERT_EQ(Names(lines), (std::vector<std::string>{"[\\]", "plain.txt", "stored.zip"}));
    EXPECT_FALSE(TieneAnidados(lines.Line(2)));
    ASSERT_TRUE(TieneAnidados(lines.Line(3)));
    EXPECT_EQ(CuentaAnidados(DameFicheroAnidados(lines.Line(3))), 2u);

    // The directory grid marks the archive.
    FPrincipal->Arbol->setCurrentItem(TopLevel("Archives"));
    bool marked = false;
    for (int row = 1; row < FPrincipal->SGDirectorio->RowCount(); ++row) {
        if (FPrincipal->SGDirectorio->CellView(2, row) == "stored.zip")
            marked = FPrincipal->SGDirectorio->CellView(6, row).find('@') != std::string_view::npos;
    }
    EXPECT_TRUE(marked);
}

TEST_F(CataloguingTest, EngineQuestionsReachTheUser) {
    recorder_.answer = false;
    EXPECT_FALSE(AskRetryCancel("X:\\is not accessible"));
    EXPECT_EQ(recorder_.retryQuestions, std::vector<std::string>{"X:\\is not accessible"});
    EXPECT_FALSE(AskYesNo("/tmp/missing/"));
    ASSERT_EQ(recorder_.questions.size(), 1u);
    EXPECT_EQ(recorder_.questions[0].second.toStdString(), "/tmp/missing/");
}

TEST_F(CataloguingTest, DiskCatalogueOfAPinnedDrive) {
    FPrincipal->CatalogueRunMode = "DISCO";
    FCrearDisco->PreparaNuevo();
    FCrearDisco->show();
    ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive('X'));
    FCrearDisco->ENombre->setText("Pinned");
    FCrearDisco->MExcluir->setPlainText("x:skip");
    FCrearDisco->MExcluirExit();
    EXPECT_EQ(FCrearDisco->MExcluir->toPlainText().toStdString(), "X:\\skip\\");
    FCrearDisco->RGTipoDisco->SetItemIndex(1);
    FCrearDisco->BBNuevoCatalogoClick();
    FCrearDisco->hide();
    ASSERT_TRUE(fs::exists(root_ / "Pinned.tct"))
        << (recorder_.messages.empty() ? "" : recorder_.messages.back());

    const CatalogueLines lines = Saved(root_ / "Pinned.tct");
    const std::string_view header = lines.Line(0);
    EXPECT_EQ(DameCabeceraTipo(header), '0');
    EXPECT_EQ(DameCabeceraUnidad(header), 'X');
    EXPECT_EQ(DameCabeceraExcluidas(header), "X:\\skip\\");
    // Byte order of names; the FIFO and the link are listed, never followed;
    // the excluded folder gives no line.
    EXPECT_EQ(Names(lines), (std::vector<std::string>{"[\\]", ".hidden", "a.txt", "loop", "x.mp3",
                                                      "[\\sub]", "b.txt"}));
    EXPECT_EQ(DameCarpetaModificado(lines.Line(1)), (DateTime{1980, 1, 1, 0, 0, 0}));
    EXPECT_EQ(DameFicheroAtributos(lines.Line(2)), "HA");
    EXPECT_FALSE(FPrincipal->BusyFlag);
    EXPECT_NE(TopLevel("Pinned"), nullptr);

    // The same name again is refused, and nothing is written over the file.
    const auto written = fs::last_write_time(root_ / "Pinned.tct");
    recorder_.messages.clear();
    FCrearDisco->ENombre->setText("pinned");
    FCrearDisco->BBNuevoCatalogoClick();
    ASSERT_FALSE(recorder_.messages.empty());
    EXPECT_EQ(fs::last_write_time(root_ / "Pinned.tct"), written);
}

TEST_F(CataloguingTest, RefusalsBeforeARun) {
    FPrincipal->CatalogueRunMode = "DISCO";
    FCrearDisco->PreparaNuevo();
    ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive('X'));
    const std::string noName = LeeTexto("M", "M_SIN_NOMBRE");
    struct Case {
        const char* name;
        const char* exclusion;
        std::string message;
    };
    // Pasted names skip the key filter: a refused or control character is
    // named in the message.
    const std::string characters = LeeTexto("M", "M_CARACTER_PROHIBIDO") + " ";
    const Case cases[] = {
        {"", "", noName},
        {"bad/name", "", characters + "/"},
        {"bad\\name", "", characters + "\\"},
        {"bad\x1Aname", "", characters + "#26"},
        // The message names the folder as Linux writes it.
        {"good", "X:\\missing\\",
         LeeTexto("M", "M_CARPETA_EXCLUIR_NOEXISTE") + " " + (tree_ / "missing").string() + "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_.messages.clear();
        FCrearDisco->ENombre->setText(c.name);
        FCrearDisco->MExcluir->setPlainText(c.exclusion);
        FCrearDisco->BBNuevoCatalogoClick();
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(FPrincipal->BusyFlag);
    }
    EXPECT_TRUE(fs::is_empty(root_ / "Discs"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
}

TEST_F(CataloguingTest, NameOfAnUnloadedCatalogueFileIsRefused) {
    // A catalogue file of the collection that the tree does not hold (it failed
    // to load, or came later), its extension in another letter case.
    WriteLines(root_ / "Discs" / "Ghost.TCT", {"not a catalogue"});
    FPrincipal->Arbol->setCurrentItem(TopLevel("Discs"));
    ASSERT_EQ(FPrincipal->CollectionPath, "Discs");
    FPrincipal->CatalogueRunMode = "DISCO";
    FCrearDisco->PreparaNuevo();
    ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive('X'));
    FCrearDisco->ENombre->setText("Ghost");
    FCrearDisco->BBNuevoCatalogoClick();
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{LeeTexto("M", "M_NOMBRE_REPETIDO")});
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "Discs"), fs::directory_iterator()), 1);
}

TEST_F(CataloguingTest, EmptyResultIsReported) {
    // The folder holds only a folder that is excluded: the walk gives the root line alone.
    fs::create_directories(tree_ / "only" / "skip");
    WriteFixedFile(tree_ / "only" / "skip" / "d.txt", 4);
    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    ASSERT_TRUE(FCrearCarpeta->EligeCarpeta((tree_ / "only").string()));
    FCrearCarpeta->ENombre->setText("Nothing");
    FCrearCarpeta->MExcluir->setPlainText("X:\\only\\skip\\");
    FCrearCarpeta->BBNuevoCatalogoClick();
    FCrearCarpeta->hide();
    const std::string empty = LeeTexto("M", "M_ERROR_CAT_VACIO");
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{empty});
    EXPECT_NE(FErrores->MErrores->toPlainText().toStdString().find(empty), std::string::npos);
    EXPECT_FALSE(fs::exists(root_ / "Nothing.tct"));
    EXPECT_EQ(TopLevel("Nothing"), nullptr);
    EXPECT_FALSE(FPrincipal->BusyFlag);
}

TEST_F(CataloguingTest, WindowStaysOpenDuringARun) {
    FPrincipal->CatalogueRunMode = "DISCO";
    FCrearDisco->PreparaNuevo();
    FCrearDisco->show();
    ASSERT_TRUE(FCrearDisco->DCBDisco->SetDrive('X'));
    FCrearDisco->ENombre->setText("Kept");
    // Runs inside the walk, when it hands control to the event loop.
    bool ran = false, closed = true, openAfterEscape = false;
    QTimer::singleShot(0, FCrearDisco, [&] {
        ran = FPrincipal->BusyFlag;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(FCrearDisco, &escape);
        openAfterEscape = FCrearDisco->isVisible();
        closed = FCrearDisco->close();
    });
    FCrearDisco->BBNuevoCatalogoClick();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(FCrearDisco->isVisible());
    EXPECT_TRUE(fs::exists(root_ / "Kept.tct"));
    // After the run both close the window again.
    EXPECT_TRUE(FCrearDisco->close());
}

TEST_F(CataloguingTest, NameBoxRefusesForbiddenCharacters) {
    FCrearDisco->ENombre->clear();
    FCrearDisco->ENombre->setFocus();
    for (const char* typed : {"m", "y", ".", "d", "*", "\\"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(typed));
        QApplication::sendEvent(FCrearDisco->ENombre, &press);
    }
    EXPECT_EQ(FCrearDisco->ENombre->text(), "myd");
}

} // namespace
} // namespace sorvane
