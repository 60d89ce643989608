// The cataloguing windows run on their host alone: a fake host stands in for
// the main window (this program does not link it), and what the folder window
// asks of it and tells it is read back.
#include "mainwindow/CataloguingHost.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/metadata/MediaWriters.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "dialogs/Language.h"
#include "mainwindow/SettingsView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

class FakeSettings : public SettingsView {
public:
    LineasRejilla Lineas(RejillaConLineas) const override { return {}; }
    int TamanoCluster() const override { return 512; }
    bool AnimacionCrearDisco() const override { return false; }
    bool AnimacionCrearCarpeta() const override { return false; }
    bool SinNumeroSerie() const override { return false; }
    bool MostrarErroresCatalogo() const override { return showErrors; }
    std::uint32_t ColorMultimedia(MediaKind) const override { return 0; }

    bool showErrors = false;
};

// Keeps what the window sets and records what it asks for, in order.
class FakeHost : public CataloguingHost {
public:
    const SettingsView& Ajustes() const override { return settings; }
    bool Ocupado() const override { return busy; }
    void PonOcupado(bool value) override {
        busy = value;
        calls.push_back(value ? "busy" : "idle");
    }
    const std::string& ModoCatalogo() const override { return mode; }
    CatalogueLines& LineasEscaneo() override { return scan; }
    void RangoProgreso(int maximum) override { calls.push_back("range " + Text(maximum)); }
    void Progreso(int value) override { calls.push_back("progress " + Text(value)); }
    void ProgresoAlPrincipio() override { calls.push_back("progress start"); }
    void ProgresoAlFinal() override { calls.push_back("progress end"); }
    void Estado(const std::string& text) override { status.push_back(text); }
    void MuestraMensaje(const std::string& text) override { messages.push_back(text); }
    void AnotaError(std::string_view line) override { errors.emplace_back(line); }
    void LimpiaErrores() override { errors.clear(); }
    int NumeroErrores() const override { return static_cast<int>(errors.size()); }
    void MuestraErrores() override { calls.push_back("errors shown"); }
    OpcionesLinea OpcionesLineaActuales() const override { return {}; }
    MediaReaders& LectoresMedios() override { return readers; }
    std::string MontaArx(const std::string&) override { return {}; }
    std::vector<std::string_view> CabecerasCargadas() const override {
        return {headers.begin(), headers.end()};
    }
    bool ExisteCatalogo(const std::string& name) const override { return name == existing; }
    const std::string& CarpetaRaiz() const override { return root; }
    const std::string& RutaColeccion() const override { return collection; }
    const std::string& FicheroRecatalogo() const override { return recatalogue; }
    void CargaCatalogoNuevo(const std::string& path) override { loaded.push_back(path); }
    void ActualizaContadores() override { calls.push_back("counters"); }
    const std::string& CarpetaElegida() const override { return chosen; }
    void PonCarpetaElegida(const std::string& folder) override { chosen = folder; }
    void PonBytesCarpeta(std::uint64_t bytes) override { folderBytes = bytes; }
    void TotalesColector(const std::string&, const std::string&) override {}
    std::optional<std::string> CabeceraCatalogo(const std::string&) const override { return {}; }
    void AsignaTitulosColector() override {}
    void AbreAyuda(int) override {}
    void PulsacionRejilla(int, int) override {}
    bool EsClickTitulo(const TStringGrid&, const TGridMouseEvent&, bool) const override {
        return false;
    }
    void OrdenaRejilla(TStringGrid&, int, ClaveRejilla, const std::function<void()>&) override {}

    static std::string Text(int n) { return std::to_string(n); }

    // Everything back as first made, but the root and the collection.
    void Reset() {
        settings = {};
        busy = false;
        mode = "CARPETA";
        scan.Clear();
        headers.clear();
        existing.clear();
        recatalogue.clear();
        chosen.clear();
        folderBytes = 0;
        for (auto* list : {&calls, &status, &messages, &errors, &loaded})
            list->clear();
    }

    FakeSettings settings;
    bool busy = false;
    std::string mode = "CARPETA";
    CatalogueLines scan;
    MediaReaders readers;
    std::vector<std::string> headers; // lines 0 of the "loaded" catalogues
    std::string existing;             // a catalogue file the collection holds
    std::string root, collection, recatalogue, chosen;
    std::uint64_t folderBytes = 0;
    std::vector<std::string> calls, status, messages, errors, loaded;
};

class CataloguingHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AbreIdioma(SORVANE_PROGRAM_DIR "/english.ini"); }

    void SetUp() override {
        char pattern[] = "/tmp/host-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        base_ = fs::canonical(pattern);
        fs::create_directories(base_ / "tree" / "docs");
        std::ofstream(base_ / "tree" / "docs" / "a.txt") << std::string(10, 'x');
        std::ofstream(base_ / "tree" / "docs" / "b.txt") << std::string(20, 'y');
        fs::create_directories(base_ / "root" / "Music");
        ::setenv("SORVANE_DRIVES", ("X=" + (base_ / "tree").string()).c_str(), 1);
        host_.root = (base_ / "root").string() + "/";
        host_.collection = "Music";
        window_ = std::make_unique<TFCrearCarpeta>(host_);
        window_->PreparaNuevo();
        ASSERT_TRUE(window_->EligeCarpeta((base_ / "tree" / "docs").string()));
        window_->ENombre->setText("Docs");
        host_.calls.clear();
        host_.messages.clear();
    }

    void TearDown() override {
        window_.reset();
        ::unsetenv("SORVANE_DRIVES");
        fs::remove_all(base_);
    }

    fs::path base_;
    FakeHost host_;
    std::unique_ptr<TFCrearCarpeta> window_;
};

// A run tells the host everything the main window shows: busy from the start
// to the end, the saved file in the selected collection's folder loaded, the
// counters and the finished text, the progress at its end, an empty buffer.
TEST_F(CataloguingHostTest, AFolderCatalogueIsMadeThroughTheHost) {
    window_->BBNuevoCatalogoClick();

    const std::string saved = (base_ / "root" / "Music" / "Docs.tct").string();
    EXPECT_EQ(host_.messages, std::vector<std::string>{});
    EXPECT_EQ(host_.loaded, std::vector<std::string>{saved});
    CatalogueLines lines;
    lines.LoadFromFile(saved);
    ASSERT_EQ(lines.Count(), 4u); // header, root folder, two files
    EXPECT_EQ(DameCabeceraRuta(lines.Line(0)), "\\docs");
    EXPECT_EQ(DameCabeceraOcupado(lines.Line(0)), 30);
    EXPECT_EQ(host_.folderBytes, 30u);
    EXPECT_EQ(host_.calls.front(), "progress start");
    EXPECT_NE(std::find(host_.calls.begin(), host_.calls.end(), "busy"), host_.calls.end());
    EXPECT_EQ(std::vector<std::string>(host_.calls.end() - 3, host_.calls.end()),
              (std::vector<std::string>{"counters", "progress end", "idle"}));
    EXPECT_EQ(host_.status.back(), LeeTexto("M", "M_CATALOGO_TERMINADO"));
    EXPECT_FALSE(host_.busy);
    EXPECT_EQ(host_.scan.Count(), 0u);
    EXPECT_TRUE(window_->BBNuevoCatalogo->isEnabled());
}

// The checks before a run ask the host, and a refused run leaves it untouched.
TEST_F(CataloguingHostTest, TheChecksBeforeARunAskTheHost) {
    struct Case {
        const char* name;
        void (*arrange)(FakeHost&);
        std::vector<std::string> messages;
    };
    const std::string serial = window_->LNumSerie->text().toStdString();
    static std::string sameName, sameFolder;
    sameName = LineaCabecera("Docs", "Dirs", serial, "X:\\other", "", 3, 0, 0, "");
    sameFolder = LineaCabecera("Other", "Dirs", serial, "X:\\docs", "", 3, 0, 0, "");
    const Case cases[] = {
        {"busy", [](FakeHost& h) { h.busy = true; }, {}},
        {"a loaded catalogue of that name",
         [](FakeHost& h) { h.headers = {sameName}; },
         {LeeTexto("M", "M_NOMBRE_REPETIDO")}},
        {"a loaded catalogue of that folder",
         [](FakeHost& h) { h.headers = {sameFolder}; },
         {LeeTexto("M", "M_CARPETA_REPETIDA")}},
        {"a file of that name in the collection",
         [](FakeHost& h) { h.existing = "Docs"; },
         {LeeTexto("M", "M_NOMBRE_REPETIDO")}},
        {"a re-catalogue skips the duplicate checks",
         [](FakeHost& h) {
             h.mode = "RCARPETA";
             h.existing = "Docs";
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.Reset();
        c.arrange(host_);
        const bool wasBusy = host_.busy;
        window_->BBNuevoCatalogoClick();
        EXPECT_EQ(host_.messages, c.messages);
        const bool ran = !host_.loaded.empty() || fs::exists(base_ / "root/Music/Docs.RCT");
        EXPECT_EQ(ran, c.messages.empty() && !wasBusy);
        EXPECT_EQ(host_.busy, wasBusy);
        fs::remove(base_ / "root/Music/Docs.tct");
        fs::remove(base_ / "root/Music/Docs.RCT");
    }
}

// The error window shows after a new catalogue only when the host's settings
// view asks for it.
TEST_F(CataloguingHostTest, TheErrorWindowFollowsTheSettingsView) {
    for (const bool show : {false, true}) {
        SCOPED_TRACE(show);
        host_.settings.showErrors = show;
        host_.calls.clear();
        window_->ENombre->setText(show ? "Shown" : "Hidden");
        window_->BBNuevoCatalogoClick();
        const bool shown =
            std::find(host_.calls.begin(), host_.calls.end(), "errors shown") != host_.calls.end();
        EXPECT_EQ(shown, show);
    }
}

} // namespace
} // namespace sorvane
