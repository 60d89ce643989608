// The settings file through the main window: every option, width and the
// window's place saved at close and back at the next start, the file's keys
// in their order and form, a first start (the language question, then the
// tips), a damaged file (one message, the defaults), a failed save, and the
// tips window.
#include "app/StandingWindows.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFAskIdioma.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFMensajes.h"
#include "dialogs/TFTips.h"
#include "mainwindow/TFPrincipal.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/resource.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// `text` with the line of `key` in `section` replaced by "key=value", or
// removed when `value` is null.
std::string Edit(const std::string& text, const std::string& section, const std::string& key,
                 const char* value) {
    std::string out;
    std::string current;
    bool found = false;
    for (const std::string& line : Lines(text)) {
        if (line.starts_with("[")) current = line.substr(1, line.size() - 2);
        if (current == section && line.starts_with(key + "=")) {
            found = true;
            if (value != nullptr) out += key + "=" + value + "\n";
            continue;
        }
        out += line + "\n";
    }
    EXPECT_TRUE(found) << section << " " << key;
    return out;
}

// One key of the file: the value it holds after `change` has set the control
// to something other than its default, and the test that the value is back.
struct Setting {
    std::string section, key, stored;
    std::function<void(TFPrincipal&)> change;
    std::function<bool(TFPrincipal&)> back;
};

using Box = TCheckBox* TFPrincipal::*;
using Edit_ = QLineEdit* TFPrincipal::*;

Setting BoxSetting(const char* section, const char* key, Box box, bool byDefault) {
    return {section, key, byDefault ? "N" : "S",
            [=](TFPrincipal& w) { (w.*box)->SetChecked(!byDefault); },
            [=](TFPrincipal& w) { return (w.*box)->Checked() == !byDefault; }};
}

Setting RadioSetting(const char* section, const char* key, TRadioGroup* TFPrincipal::*group,
                     int item) {
    return {section, key, std::to_string(item),
            [=](TFPrincipal& w) { (w.*group)->SetItemIndex(item); },
            [=](TFPrincipal& w) { return (w.*group)->ItemIndex() == item; }};
}

Setting TextSetting(const char* section, const char* key, Edit_ edit, const char* text) {
    return {section, key, text, [=](TFPrincipal& w) { (w.*edit)->setText(text); },
            [=](TFPrincipal& w) { return (w.*edit)->text() == text; }};
}

Setting ColourSetting(const char* section, const char* key, std::uint32_t TFPrincipal::*colour,
                      QLineEdit* TFPrincipal::*sample, std::uint32_t value) {
    return {section, key, std::to_string(value),
            [=](TFPrincipal& w) {
                w.*colour = value;
                w.PonColoresEjemplo();
            },
            [=](TFPrincipal& w) {
                const QColor shown = (w.*sample)->palette().color(QPalette::Text);
                return w.*colour == value &&
                       shown == QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
            }};
}

void WidthSettings(std::vector<Setting>& table, const char* section,
                   std::function<TStringGrid*()> grid, int count, int base) {
    for (int col = 1; col <= count; ++col)
        table.push_back({section, "COL_" + std::to_string(col), std::to_string(base + col),
                         [=](TFPrincipal&) { grid()->SetColWidths(col, base + col); },
                         [=](TFPrincipal&) { return grid()->ColWidths(col) == base + col; }});
}

// The whole key table in file order, each key with a value that is not its
// default. The audio player is "x", the text that once stood for a missing key.
std::vector<Setting> Table() {
    using W = TFPrincipal;
    std::vector<Setting> t;
    t.push_back(RadioSetting("CB", "COLOR_EXITO", &W::RGAciertos, 2));
    t.push_back(BoxSetting("CB", "LINCAT_HORZ", &W::CBLinCatHorizontal, false));
    t.push_back(BoxSetting("CB", "LINCAT_VERT", &W::CBLinCatVertical, false));
    t.push_back(BoxSetting("CB", "LINBUS_HORZ", &W::CBLinBusHorizontal, false));
    t.push_back(BoxSetting("CB", "LINBUS_VERT", &W::CBLinBusVertical, false));
    t.push_back(BoxSetting("CB", "LINANI_HORZ", &W::CBLinAniHorizontal, false));
    t.push_back(BoxSetting("CB", "LINANI_VERT", &W::CBLinAniVertical, false));
    t.push_back(BoxSetting("CB", "LINCOL_HORZ", &W::CBLinColectorHorizontal, false));
    t.push_back(BoxSetting("CB", "LINCOL_VERT", &W::CBLinColectorVertical, false));
    t.push_back(BoxSetting("CB", "ANI_DISCO", &W::CBAniCrearDisco, true));
    t.push_back(BoxSetting("CB", "ANI_CARPETA", &W::CBAniCrearCarpeta, true));
    t.push_back(BoxSetting("CB", "ANI_BUSCAR", &W::CBAniBuscar, true));
    t.push_back(ColourSetting("CB", "COLOR_TEXTO", &W::TextColor, &W::ECTextoEjemplo, 0x010203));
    t.push_back(
        ColourSetting("CB", "COLOR_BITMAP", &W::BitmapColor, &W::ECBitmapEjemplo, 0x040506));
    t.push_back(ColourSetting("CB", "COLOR_AUDIO", &W::AudioColor, &W::ECAudioEjemplo, 0x070809));
    t.push_back(ColourSetting("CB", "COLOR_MUSIC", &W::MusicColor, &W::ECMusicEjemplo, 0x0A0B0C));
    t.push_back(ColourSetting("CB", "COLOR_VIDEO", &W::VideoColor, &W::ECVideoEjemplo, 0xFFFFFF));
    t.push_back(RadioSetting("CB", "IDIOMA", &W::RGIdioma, 1));
    t.push_back(RadioSetting("CB", "MODO_TURBO", &W::RGModoTurbo, 1));
    t.push_back(TextSetting("CB", "PATH_WINAMP", &W::EPathWinAmp, "x"));
    t.push_back(BoxSetting("CB", "START_TIPS", &W::CBTipsComienzo, false));

    t.push_back(BoxSetting("CA", "CARPETA_IGUAL", &W::CBCarpetaIgual, false));
    t.push_back(BoxSetting("CA", "VER_CAT_ERRORES", &W::CBMostrarErroresCatalogo, false));
    t.push_back(RadioSetting("CA", "AUTOSORT", &W::RGAutoSort, 3));
    t.push_back(BoxSetting("CA", "AUTOSORT_INVERTIR", &W::CBAutoSortInvertir, false));
    t.push_back(BoxSetting("CA", "ANIDADOS_BUSCAR_PATH", &W::CBAnidadosBuscarPath, false));
    t.push_back(TextSetting("CA", "ANI_EXT_1", &W::EExtension1, "ARJ"));
    t.push_back(TextSetting("CA", "ANI_EXT_2", &W::EExtension2, "LZH"));
    t.push_back(TextSetting("CA", "ANI_EXT_3", &W::EExtension3, "ZOO"));
    t.push_back(TextSetting("CA", "ANI_EXT_4", &W::EExtension4, "ÑU"));
    t.push_back({"CA", "CLUSTER_SIZE", "7", [](W& w) { w.CBClusterSize->setCurrentIndex(7); },
                 [](W& w) { return w.CBClusterSize->currentText() == "65536 bytes (64k)"; }});
    const std::pair<const char*, Box> off[] = {
        {"DOC_OFF", &W::CBDocFilesOff},    {"DOT_OFF", &W::CBDotFilesOff},
        {"BMP_OFF", &W::CBBmpFilesOff},    {"GIF_OFF", &W::CBGifFilesOff},
        {"JPG_OFF", &W::CBJpgFilesOff},    {"PCX_OFF", &W::CBPcxFilesOff},
        {"PNG_OFF", &W::CBPngFilesOff},    {"TIF_OFF", &W::CBTifFilesOff},
        {"TGA_OFF", &W::CBTgaFilesOff},    {"WAV_OFF", &W::CBWavFilesOff},
        {"MP3_OFF", &W::CBMp3FilesOff},    {"WMA_OFF", &W::CBWmaFilesOff},
        {"OGG_OFF", &W::CBOggFilesOff},    {"AVI_OFF", &W::CBAviFilesOff},
        {"ZIPS_OFF", &W::CBCompressedOff},
    };
    for (const auto& [key, box] : off)
        t.push_back(BoxSetting("CA", key, box, false));

    t.push_back(BoxSetting("CI", "IA_COLECCIONES", &W::CBPTColeccionesSN, true));
    t.push_back(BoxSetting("CI", "IA_TIPODISCO", &W::CBPTTipodiscoSN, true));
    t.push_back(TextSetting("CI", "IA_TAB", &W::EPTTab, "4"));
    t.push_back(BoxSetting("CI", "IC_ANIDADOS", &W::CBPCAnidadosSN, true));
    t.push_back(TextSetting("CI", "IC_TAB", &W::EPCTab, "2"));
    const std::pair<const char*, Box> printing[] = {
        {"IC_TAMANO", &W::CBPCTamanoSN},           {"IC_MODIFICADO", &W::CBPCModificadoSN},
        {"IC_CREADO", &W::CBPCCreadoSN},           {"IC_ATRIBUTOS", &W::CBPCAtributosSN},
        {"IC_DESCRIPCION", &W::CBPCDescripcionSN}, {"ID_TAMANO", &W::CBPDTamanoSN},
        {"ID_MODIFICADO", &W::CBPDModificadoSN},   {"ID_COLECCION", &W::CBPDPrintColeccion},
        {"ID_CATALOGO", &W::CBPDPrintCatalogo},    {"ID_CARPETA", &W::CBPDPrintCarpeta},
        {"IR_COLECCION", &W::CBPRColeccionSN},     {"IR_CATALOGO", &W::CBPRCatalogoSN},
        {"IR_CARPETA", &W::CBPRCarpetaSN},         {"IR_DESCRIPCION", &W::CBPRDescripcionSN},
        {"IR_TAMANO", &W::CBPRTamanoSN},           {"IR_MODIFICADO", &W::CBPRModificadoSN},
        {"IR_CREADO", &W::CBPRCreadoSN},           {"IR_ATRIBUTOS", &W::CBPRAtributosSN},
        {"IR_EXTENSION", &W::CBPRExtensionSN},
    };
    for (const auto& [key, box] : printing)
        t.push_back(BoxSetting("CI", key, box, true));

    const std::tuple<const char*, Box, bool> columns[] = {
        {"VF_DESCRIPCION", &W::CBVerDescripcion, true},
        {"VF_TAMANO", &W::CBVerTamano, true},
        {"VF_MODIFICADO", &W::CBVerModificado, true},
        {"VF_CREADO", &W::CBVerCreado, true},
        {"VF_EXTENSION", &W::CBVerExtension, false},
        {"VF_ATRIBUTOS", &W::CBVerAtributos, true},
        {"VF_HORA_MODIFICADO", &W::CBVerHoraModificado, false},
        {"VF_HORA_CREADO", &W::CBVerHoraCreado, false},
        {"VM_RESOLUCION", &W::CBVerResolucion, true},
        {"VM_CALIDAD", &W::CBVerCalidad, true},
        {"VM_CANALES", &W::CBVerCanales, false},
        {"VM_PISTA", &W::CBVerPista, false},
        {"VM_ANO", &W::CBVerAno, false},
        {"VM_GENERO", &W::CBVerGenero, true},
    };
    for (const auto& [key, box, byDefault] : columns)
        t.push_back(BoxSetting("IC", key, box, byDefault));
    WidthSettings(
        t, "IC", [] { return FPrincipal->SGDirectorio; }, 14, 40);
    WidthSettings(
        t, "IA", [] { return FAnidados->SGAnidados; }, 5, 100);
    t.push_back(BoxSetting("IB", "AVANZADA_SN", &W::CBAvanzada, false));
    t.push_back(BoxSetting("IB", "MULTIMEDIA_SN", &W::CBMultimedia, false));
    WidthSettings(
        t, "IB", [] { return FPrincipal->SGResultados; }, 17, 60);
    t.push_back({"IO", "ESTADO_VENTANA", "N", [](W&) {}, [](W& w) { return !w.isMaximized(); }});
    const QRect place(20, 30, 640, 480);
    t.push_back({"IO", "ARRIBA", "30", [place](W& w) { w.setGeometry(place); },
                 [place](W& w) { return w.geometry() == place; }});
    t.push_back({"IO", "IZQUIERDA", "20", [](W&) {}, [](W&) { return true; }});
    t.push_back({"IO", "ANCHO_ARBOL", "640", [](W&) {}, [](W&) { return true; }});
    t.push_back({"IO", "ALTO_ARBOL", "480", [](W&) {}, [](W&) { return true; }});
    WidthSettings(
        t, "IO", [] { return FColector->SGColector; }, 17, 20);
    return t;
}

class SettingsTest : public WindowTestRoot {
protected:
    void SetUp() override {
        EnterNewRoot("settings-root");
        OpenWindows();
        path_ = settings_;
    }

    void TearDown() override {
        TFTips::Sorteo() = draw_;
        WindowTestRoot::TearDown();
    }

    // Starts the main window on path_.
    void Start() {
        FPrincipal->SettingsPathOverride = path_.string();
        FPrincipal->FormActivate();
        ASSERT_TRUE(FPrincipal->StartupDone());
    }

    // Closes the main window as the user does; it answers Yes to the question.
    void Close() {
        recorder_.answer = true;
        EXPECT_TRUE(FPrincipal->close());
    }

    // The windows made again, as by the next run of the program, with nothing recorded.
    void Restart() {
        LiberaVentanas();
        recorder_.messages.clear();
        recorder_.dialogs.clear();
        recorder_.passingWindows.clear();
        recorder_.questions.clear();
        OpenWindows();
    }

    // A settings file as the program writes it after a first start.
    std::string DefaultFile() {
        Start();
        Close();
        Restart();
        return ReadText(path_);
    }

    std::string ConfigError() const { return LeeTexto("M", "M_ERROR_CONFIGURACION"); }

    fs::path path_;
    std::function<int(int)> draw_ = TFTips::Sorteo();
};

TEST_F(SettingsTest, EveryValueComesBackAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<Setting> table = Table();
    ASSERT_EQ(table.size(), 144u);
    for (const Setting& s : table)
        s.change(*FPrincipal);
    for (const Setting& s : table)
        ASSERT_TRUE(s.back(*FPrincipal)) << s.section << " " << s.key << " did not change";
    FPrincipal->CBSerialNumberOff->SetChecked(true);
    Close();

    // The file: the seven sections with their keys, in order, each as stored.
    std::vector<std::string> expected;
    std::string section;
    for (const Setting& s : table) {
        if (s.section != section) expected.push_back("[" + (section = s.section) + "]");
        expected.push_back(s.key + "=" + s.stored);
    }
    EXPECT_EQ(Lines(ReadText(path_)), expected);

    Restart();
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const Setting& s : table)
        EXPECT_TRUE(s.back(*FPrincipal)) << s.section << " " << s.key;
    EXPECT_FALSE(FPrincipal->CBSerialNumberOff->Checked()) << "never kept";
    // A file was there and the tips are off: neither start-up window shows.
    EXPECT_TRUE(recorder_.passingWindows.empty());
    EXPECT_TRUE(recorder_.messages.empty());
    // The derived state follows: Spanish texts, the hit style, the upper-casing.
    EXPECT_EQ(FPrincipal->PCMain->tabText(1), "Buscar");
    EXPECT_TRUE(FPrincipal->HitRed && !FPrincipal->HitRedBold && !FPrincipal->HitBold);
    EXPECT_FALSE(FPrincipal->TurboMode);
    // All eight grid-line settings are applied, the collector's included.
    for (const TStringGrid* grid : {FPrincipal->SGDirectorio, FPrincipal->SGResultados,
                                    FAnidados->SGAnidados, FColector->SGColector}) {
        EXPECT_TRUE(grid->HorizontalLines()) << grid->objectName().toStdString();
        EXPECT_TRUE(grid->VerticalLines()) << grid->objectName().toStdString();
    }
}

TEST_F(SettingsTest, AMaximisedWindowStartsMaximised) {
    ASSERT_NO_FATAL_FAILURE(Start());
    FPrincipal->setGeometry(10, 20, 500, 400);
    FPrincipal->setWindowState(Qt::WindowMaximized);
    Close();
    EXPECT_NE(ReadText(path_).find("[IO]\nESTADO_VENTANA=M\n"), std::string::npos);
    Restart();
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(FPrincipal->isMaximized());
}

// With no settings file: the language question, then the tips; the grids
// start without lines, as the boxes say, the collector's included.
TEST_F(SettingsTest, AFirstStartAsksTheLanguageThenShowsTheTips) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(recorder_.passingWindows, (std::vector<std::string>{"FAskIdioma", "FTips"}));
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(FPrincipal->RGIdioma->ItemIndex(), 0);
    for (const TStringGrid* grid : {FPrincipal->SGDirectorio, FPrincipal->SGResultados,
                                    FAnidados->SGAnidados, FColector->SGColector}) {
        EXPECT_FALSE(grid->HorizontalLines()) << grid->objectName().toStdString();
        EXPECT_FALSE(grid->VerticalLines()) << grid->objectName().toStdString();
    }

    // "Español" chooses Spanish: the program and the tips speak it.
    struct Case {
        const char* name;
        std::function<int(TFAskIdioma&)> answer;
        int item;
        const char* tipsTitle;
    };
    const Case cases[] = {
        {"Español",
         [](TFAskIdioma& q) {
             q.BEspanol->click();
             return q.result();
         },
         1, "Consejos"},
        {"English",
         [](TFAskIdioma& q) {
             q.BIngles->click();
             return q.result();
         },
         0, "Tips"},
        {"close box", [](TFAskIdioma&) { return static_cast<int>(QDialog::Rejected); }, 0, "Tips"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        QString question, tips;
        recorder_.onDialog = [&](QDialog& dialog) {
            if (auto* ask = qobject_cast<TFAskIdioma*>(&dialog)) {
                question = ask->windowTitle();
                return c.answer(*ask);
            }
            if (dialog.objectName() == "FTips") tips = dialog.windowTitle();
            return static_cast<int>(QDialog::Accepted);
        };
        ASSERT_NO_FATAL_FAILURE(Start());
        EXPECT_EQ(question, "Language / Idioma");
        EXPECT_EQ(FPrincipal->RGIdioma->ItemIndex(), c.item);
        EXPECT_EQ(FPrincipal->PCMain->tabText(1), c.item == 1 ? "Buscar" : "Search");
        EXPECT_EQ(tips, c.tipsTitle);
    }
}

// A file of 9 bytes or less counts as none; from 10 bytes on it is read.
TEST_F(SettingsTest, ASmallFileCountsAsNone) {
    WriteText(path_, "[CB]\nA=1\n");
    ASSERT_EQ(fs::file_size(path_), 9u);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(recorder_.passingWindows, (std::vector<std::string>{"FAskIdioma", "FTips"}));
    EXPECT_TRUE(recorder_.messages.empty());

    Restart();
    WriteText(path_, "[CB]\nAB=1\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(recorder_.passingWindows, std::vector<std::string>{"FTips"});
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{ConfigError()});
}

// A damaged file gives one message and the defaults, and the start goes on;
// what the reset does not touch keeps what was read before the failure.
TEST_F(SettingsTest, ADamagedFileGivesOneMessageAndTheDefaults) {
    std::string saved;
    {
        ASSERT_NO_FATAL_FAILURE(Start());
        for (const Setting& s : Table())
            s.change(*FPrincipal);
        Close();
        saved = ReadText(path_);
    }
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> damage;
        bool placeRead; // the window place was read before the failure
        // Spanish was read before the failure: the message is in Spanish.
        bool spanishRead = true;
    };
    const Case cases[] = {
        {"a required key missing",
         [](const std::string& t) { return Edit(t, "CB", "COLOR_EXITO", nullptr); }, false, false},
        {"the last required key missing",
         [](const std::string& t) { return Edit(t, "IO", "COL_17", nullptr); }, true},
        {"directory width not a number",
         [](const std::string& t) { return Edit(t, "IC", "COL_3", "abc"); }, false},
        {"nested width not a number",
         [](const std::string& t) { return Edit(t, "IA", "COL_3", "abc"); }, false},
        {"result width not a number",
         [](const std::string& t) { return Edit(t, "IB", "COL_3", "12x"); }, false},
        {"collector width not a number",
         [](const std::string& t) { return Edit(t, "IO", "COL_3", "abc"); }, true},
        {"a colour beyond 32 bits",
         [](const std::string& t) { return Edit(t, "CB", "COLOR_TEXTO", "4294967296"); }, false,
         false},
        {"no ini text at all",
         [](const std::string&) { return std::string("\x00\x01\x02garbage\xFF\xFE\n", 13); }, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        WriteText(path_, c.damage(saved));
        FPrincipal->resize(980, 640);
        ASSERT_NO_FATAL_FAILURE(Start());
        const std::string message = c.spanishRead
                                        ? TLanguageFile((ProgramDir() / "spanish.ini").string())
                                              .ReadString("M", "M_ERROR_CONFIGURACION", "")
                                        : ConfigError();
        EXPECT_EQ(recorder_.messages, std::vector<std::string>{message});
        // The reset cleared "no tips at start": the tips show, the question does not.
        EXPECT_EQ(recorder_.passingWindows, std::vector<std::string>{"FTips"});
        TFPrincipal& w = *FPrincipal;
        EXPECT_EQ(w.RGAciertos->ItemIndex(), 0);
        EXPECT_EQ(w.RGIdioma->ItemIndex(), 0);
        EXPECT_EQ(w.CBClusterSize->currentIndex(), 3);
        EXPECT_EQ(w.EPathWinAmp->text(), "");
        EXPECT_FALSE(w.CBVerExtension->Checked());
        EXPECT_TRUE(w.CBPRExtensionSN->Checked());
        EXPECT_FALSE(w.CBLinColectorHorizontal->Checked());
        EXPECT_FALSE(FColector->SGColector->HorizontalLines());
        EXPECT_EQ(w.TextColor, 16711935u);
        EXPECT_EQ(w.geometry() == QRect(20, 30, 640, 480), c.placeRead);
    }
}

// The keys of a saved file, "SECTION KEY" to value.
std::map<std::string, std::string> Keys(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::string section;
    for (const std::string& line : Lines(text)) {
        if (line.starts_with("[")) {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            keys[section + " " + line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

// The reset button's routine gives every key the default a first start
// writes, and leaves the keys it does not reset (the window's place, the
// collector's widths, the result widths past column 10) as they were.
TEST_F(SettingsTest, AResetGivesEveryKeyItsDefault) {
    const std::map<std::string, std::string> first = Keys(DefaultFile());
    ASSERT_EQ(first.size(), 144u);
    // The defaults as the file holds them, one of each kind of key.
    const std::pair<const char*, const char*> literal[] = {
        {"CB COLOR_EXITO", "0"},    {"CB LINCOL_VERT", "N"},
        {"CB ANI_BUSCAR", "S"},     {"CB COLOR_TEXTO", "16711935"},
        {"CB COLOR_BITMAP", "128"}, {"CB COLOR_VIDEO", "32768"},
        {"CB IDIOMA", "0"},         {"CB MODO_TURBO", "0"},
        {"CB PATH_WINAMP", ""},     {"CB START_TIPS", "N"},
        {"CA AUTOSORT", "0"},       {"CA ANI_EXT_4", ""},
        {"CA CLUSTER_SIZE", "3"},   {"CA ZIPS_OFF", "N"},
        {"CI IA_TAB", "8"},         {"CI IR_EXTENSION", "S"},
        {"IC VF_EXTENSION", "N"},   {"IC VM_GENERO", "S"},
        {"IB AVANZADA_SN", "N"},    {"IB MULTIMEDIA_SN", "N"},
    };
    for (const auto& [key, value] : literal)
        EXPECT_EQ(first.at(key), value) << key;
    EXPECT_GE(std::stoi(first.at("IA COL_1")), 260);
    EXPECT_GE(std::stoi(first.at("IB COL_5")), 166);

    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<Setting> table = Table();
    for (const Setting& s : table)
        if (s.section != "IO") s.change(*FPrincipal);
    FPrincipal->CBSerialNumberOff->SetChecked(true);
    const QRect place = FPrincipal->geometry();
    FPrincipal->ResetConfiguracion();
    TFPrincipal& w = *FPrincipal;
    EXPECT_EQ(w.geometry(), place);
    EXPECT_FALSE(w.CBSerialNumberOff->Checked());
    EXPECT_TRUE(w.HitRedBold && !w.HitBold && !w.HitRed);
    EXPECT_TRUE(w.TurboMode);
    EXPECT_EQ(w.PCMain->tabText(1), "Search");
    Close();

    const std::map<std::string, std::string> after = Keys(ReadText(path_));
    for (const Setting& s : table) {
        const std::string key = s.section + " " + s.key;
        // The place as the load fitted it to this screen: checked above.
        if (s.section == "IO" && !s.key.starts_with("COL_")) continue;
        const bool lateResultWidth =
            s.section == "IB" && s.key.starts_with("COL_") && std::stoi(s.key.substr(4)) > 10;
        if (lateResultWidth)
            EXPECT_EQ(after.at(key), s.stored) << key << " kept";
        else
            EXPECT_EQ(after.at(key), first.at(key)) << key;
    }
}

// Odd values read as they always were; names in any letter case; a missing
// optional key leaves the default; "x" is a value; unknown keys survive a save.
TEST_F(SettingsTest, ValuesAndNamesAsAWindowsFileHoldsThem) {
    const std::string defaults = DefaultFile();
    std::string text = defaults;
    text = Edit(text, "CA", "CLUSTER_SIZE", "7");
    text = Edit(text, "CB", "COLOR_EXITO", "5");
    text = Edit(text, "CB", "IDIOMA", "2");
    text = Edit(text, "CB", "LINCAT_HORZ", "s");
    text = Edit(text, "CB", "LINCAT_VERT", "S");
    text = Edit(text, "CA", "AUTOSORT", "21");
    text = Edit(text, "CB", "PATH_WINAMP", "x");
    for (const char* key :
         {"DOC_OFF", "DOT_OFF", "BMP_OFF", "GIF_OFF", "JPG_OFF", "PCX_OFF", "PNG_OFF", "TIF_OFF",
          "TGA_OFF", "WAV_OFF", "MP3_OFF", "WMA_OFF", "OGG_OFF", "AVI_OFF", "ZIPS_OFF"})
        text = Edit(text, "CA", key, nullptr);
    text = Edit(text, "IO", "ESTADO_VENTANA", nullptr);
    // A section and a key in other letter cases, and keys of our own.
    text = Edit(text, "CI", "IA_TAB", nullptr);
    std::string::size_type at = text.find("[CI]\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 5, "[ci]\nia_tab=6\nMINE=kept\n");
    text += "[Other]\nkey=value\n";
    WriteText(path_, text);

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(recorder_.messages.empty()) << recorder_.messages.front();
    TFPrincipal& w = *FPrincipal;
    EXPECT_EQ(w.CBClusterSize->currentText(), "65536 bytes (64k)");
    EXPECT_EQ(w.RGAciertos->ItemIndex(), 0);
    EXPECT_EQ(w.RGIdioma->ItemIndex(), 0);
    EXPECT_FALSE(w.CBLinCatHorizontal->Checked());
    EXPECT_TRUE(w.CBLinCatVertical->Checked());
    EXPECT_EQ(w.RGAutoSort->ItemIndex(), 2);
    EXPECT_EQ(w.EPathWinAmp->text(), "x");
    EXPECT_EQ(w.EPTTab->text(), "6");
    EXPECT_FALSE(w.CBDocFilesOff->Checked());
    EXPECT_FALSE(w.CBCompressedOff->Checked());
    Close();

    const std::string written = ReadText(path_);
    EXPECT_NE(written.find("[CI]\nIA_COLECCIONES=S\n"), std::string::npos);
    EXPECT_NE(written.find("\nIA_TAB=6\n"), std::string::npos);
    EXPECT_NE(written.find("\nMINE=kept\n"), std::string::npos);
    EXPECT_NE(written.find("[Other]\nkey=value\n"), std::string::npos);
    EXPECT_NE(written.find("\nZIPS_OFF=N\n"), std::string::npos);
    EXPECT_EQ(written.find("ia_tab"), std::string::npos);
}

// A settings file that cannot be written is reported with the settings' own
// message, the file's name and the system's reason, and the program closes.
TEST_F(SettingsTest, AFailedSaveIsReportedAndTheCloseGoesOn) {
    const fs::path notAFolder = path_.parent_path() / "file";
    WriteText(notAFolder, "");
    path_ = notAFolder / "sorvane.ini";
    ASSERT_NO_FATAL_FAILURE(Start());
    recorder_.messages.clear();
    Close();
    ASSERT_EQ(recorder_.messages.size(), 1u);
    const std::string own = LeeTexto("M", "M_ERROR_GUARDAR_CONFIGURACION") + " ";
    EXPECT_TRUE(recorder_.messages[0].starts_with(own)) << recorder_.messages[0];
    EXPECT_NE(recorder_.messages[0].find(path_.string()), std::string::npos);
}

// A full disk at the save (a write past 64 bytes fails): the earlier file keeps
// its bytes, no temporary is left, and the message names the file and the reason.
TEST_F(SettingsTest, AFullDiskAtTheSaveKeepsTheEarlierFile) {
    const std::string earlier = DefaultFile();
    ASSERT_NO_FATAL_FAILURE(Start());
    FPrincipal->CBLinCatHorizontal->SetChecked(!FPrincipal->CBLinCatHorizontal->Checked());
    recorder_.messages.clear();
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Close();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(recorder_.messages.size(), 1u);
    EXPECT_EQ(recorder_.messages[0], LeeTexto("M", "M_ERROR_GUARDAR_CONFIGURACION") +
                                         " Cannot write \"" + path_.string() +
                                         "\": " + std::strerror(EFBIG));
    EXPECT_EQ(ReadText(path_), earlier);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_.parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{path_.filename().string()});
}

// A saved place that lies on no screen of today keeps the window where it is.
TEST_F(SettingsTest, APlaceOnNoScreenIsNotTaken) {
    std::string text = DefaultFile();
    text = Edit(text, "IO", "ARRIBA", "-30000");
    text = Edit(text, "IO", "IZQUIERDA", "-30000");
    WriteText(path_, text);
    FPrincipal->setGeometry(5, 6, 700, 500);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(recorder_.messages.empty());
    EXPECT_EQ(FPrincipal->geometry(), QRect(5, 6, 700, 500));
}

// A saved place larger than the screen is fitted to the screen it lands on,
// and one reaching past its edge is moved inside it.
TEST_F(SettingsTest, ASavedPlaceIsFittedToItsScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        int top, left, width, height;
        QRect expected;
    };
    const Case cases[] = {
        {0, 0, 100000, 100000, area},
        {area.top() + area.height() - 50, area.left() + area.width() - 100, 300, 200,
         QRect(area.left() + area.width() - 300, area.top() + area.height() - 200, 300, 200)},
        {area.top() + 10, area.left() + 20, 300, 200,
         QRect(area.left() + 20, area.top() + 10, 300, 200)},
    };
    const std::string defaults = DefaultFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        std::string text = defaults;
        text = Edit(text, "IO", "ARRIBA", std::to_string(c.top).c_str());
        text = Edit(text, "IO", "IZQUIERDA", std::to_string(c.left).c_str());
        text = Edit(text, "IO", "ANCHO_ARBOL", std::to_string(c.width).c_str());
        text = Edit(text, "IO", "ALTO_ARBOL", std::to_string(c.height).c_str());
        WriteText(path_, text);
        ASSERT_NO_FATAL_FAILURE(Start());
        EXPECT_TRUE(recorder_.messages.empty());
        EXPECT_EQ(FPrincipal->geometry(), c.expected);
        Close();
        Restart();
    }
}

TEST(RowHeightTest, ByTheScreensDensity) {
    const std::pair<int, int> cases[] = {{72, 16},  {96, 16},  {97, 18},  {120, 18},  {121, 24},
                                         {144, 24}, {145, 28}, {192, 28}, {1444, 28}, {1445, 33}};
    for (const auto& [dpi, height] : cases)
        EXPECT_EQ(TFPrincipal::AltoFilaPorDpi(dpi, 33), height) << dpi;
}

// The tips window from the configuration page: one tip at a time, no wrap at
// either end, and its box decides "no tips at start".
TEST_F(SettingsTest, TipsWindowSteps) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(FPrincipal->BBtips->isEnabled());
    struct Step {
        QPushButton* TFTips::*button;
        const char* position;
    };
    struct Case {
        int drawn;
        const char* first;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {22,
         "22 / 23",
         {{&TFTips::BBNextTip, "23 / 23"},
          {&TFTips::BBNextTip, "23 / 23"},
          {&TFTips::BBPrevTip, "22 / 23"}}},
        // A draw of 0 shows tip 1.
        {0, "1 / 23", {{&TFTips::BBPrevTip, "1 / 23"}, {&TFTips::BBNextTip, "2 / 23"}}},
        {6, "6 / 23", {{&TFTips::BBNextTip, "7 / 23"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawn);
        TFTips::Sorteo() = [&c](int count) {
            EXPECT_EQ(count, 23);
            return c.drawn;
        };
        std::vector<std::string> seen;
        recorder_.onDialog = [&](QDialog& dialog) {
            auto& tips = dynamic_cast<TFTips&>(dialog);
            const auto read = [&] {
                const int n = tips.LTipCurso->text().section(' ', 0, 0).toInt();
                char key[8];
                std::snprintf(key, sizeof key, "TIP%02d", n);
                EXPECT_EQ(tips.MTip->toPlainText().toStdString(), LeeTexto("T", key));
                seen.push_back(tips.LTipCurso->text().toStdString());
            };
            read();
            for (const Step& step : c.steps) {
                (tips.*step.button)->click();
                read();
            }
            EXPECT_EQ(tips.windowTitle(), "Tips");
            EXPECT_EQ(tips.BBNextTip->text(), "Next");
            EXPECT_EQ(tips.CBNuncaMas->text().toStdString(), LeeTextoCapital("L", "GB_TIPS_NO"));
            return static_cast<int>(QDialog::Rejected);
        };
        FPrincipal->BBtips->click();
        std::vector<std::string> expected{c.first};
        for (const Step& step : c.steps)
            expected.push_back(step.position);
        EXPECT_EQ(seen, expected);
    }
}

// Closing the tips window sets "no tips at start" to its own box, whatever it
// was: untouched, the tips show again at the next start.
TEST_F(SettingsTest, TipsWindowDecidesTheTipsAtStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    for (const bool tick : {true, false, false}) {
        recorder_.onDialog = [tick](QDialog& dialog) {
            auto& tips = dynamic_cast<TFTips&>(dialog);
            EXPECT_FALSE(tips.CBNuncaMas->Checked()) << "a new window each time";
            tips.CBNuncaMas->SetChecked(tick);
            return static_cast<int>(QDialog::Rejected);
        };
        FPrincipal->CBTipsComienzo->SetChecked(!tick);
        FPrincipal->BBTipsClick();
        EXPECT_EQ(FPrincipal->CBTipsComienzo->Checked(), tick);
    }
    EXPECT_TRUE(FPrincipal->findChildren<TFTips*>().isEmpty()) << "freed after closing";
}

// A language file without a tip shows the default text for it.
TEST_F(SettingsTest, AMissingTipShowsTheDefaultText) {
    const fs::path program = OwnedTempFolder("program");
    std::string english = ReadText(ProgramDir() / "english.ini");
    const auto at = english.find("\nTIP05=");
    ASSERT_NE(at, std::string::npos);
    english.erase(at + 1, english.find('\n', at + 1) - at);
    WriteText(program / "english.ini", english);
    FPrincipal->ProgramFolderOverride = program.string() + "/";
    TFTips::Sorteo() = [](int) { return 5; };
    std::string tip;
    recorder_.onDialog = [&](QDialog& dialog) {
        if (auto* tips = dynamic_cast<TFTips*>(&dialog))
            tip = tips->MTip->toPlainText().toStdString();
        return static_cast<int>(QDialog::Accepted);
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(tip, "File Language Error");
}

} // namespace
} // namespace sorvane
