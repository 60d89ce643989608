// The settings file of the main window: the table of its 144 keys, the load
// into the controls, the save from them, and the start-up steps around them
// (the language question at a first start, the tips window).
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/SettingsFile.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFAskIdioma.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFTips.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>
#include <charconv>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace sorvane {
namespace {

// One key of the file: its section, name, whether a load needs it, how its
// value is written from the current state and read back into it, and how a
// reset gives it its default (empty for the keys a reset leaves as they are:
// the window's place, the collector's widths, the last result widths).
struct Ajuste {
    const char* section;
    std::string key;
    bool required;
    std::function<std::string()> save;
    std::function<void(const std::string&)> load;
    std::function<void()> reset;
};

// The sections in file order.
constexpr const char* kSecciones[] = {"CB", "CA", "CI", "IC", "IA", "IB", "IO"};

// A signed 32-bit decimal number; anything else fails the load.
int Numero(const std::string& value, const char* section, const std::string& key) {
    int number = 0;
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, number);
    if (value.empty() || error != std::errc() || end != last)
        throw std::runtime_error("\"" + value + "\" is not a valid integer value (" +
                                 std::string(section) + " " + key + ")");
    return number;
}

class Tabla {
public:
    explicit Tabla(std::vector<Ajuste>& rows) : rows_(rows) {}

    void Casilla(const char* section, std::string key, TCheckBox* box, bool byDefault) {
        rows_.push_back({section, std::move(key), true, [box] { return Marca(box); },
                         [box](const std::string& v) { box->SetChecked(v == "S"); },
                         [box, byDefault] { box->SetChecked(byDefault); }});
    }
    // A box the load only ever ticks: the reset before it has cleared it.
    void CasillaSinLimpiar(const char* section, std::string key, TCheckBox* box, bool required) {
        rows_.push_back({section, std::move(key), required, [box] { return Marca(box); },
                         [box](const std::string& v) {
                             if (v == "S") box->SetChecked(true);
                         },
                         [box] { box->SetChecked(false); }});
    }
    // An item index: item 0 first, then the item the value's first character
    // names when it is one of `accepted`. The default is item 0.
    void Indice(const char* section, std::string key, TRadioGroup* group, std::string accepted) {
        rows_.push_back({section, std::move(key), true,
                         [group] { return std::to_string(group->ItemIndex()); },
                         [group, accepted](const std::string& v) {
                             group->SetItemIndex(0);
                             if (!v.empty() && accepted.find(v[0]) != std::string::npos)
                                 group->SetItemIndex(v[0] - '0');
                         },
                         [group] { group->SetItemIndex(0); }});
    }
    void Color(const char* section, std::string key, std::uint32_t* colour, std::uint32_t byDefault,
               std::function<void()> show) {
        const std::string name = key;
        rows_.push_back(
            {section, std::move(key), true, [colour] { return std::to_string(*colour & 0xFFFFFF); },
             [=](const std::string& v) {
                 *colour = static_cast<std::uint32_t>(Numero(v, section, name)) & 0xFFFFFF;
                 show();
             },
             [=] {
                 *colour = byDefault;
                 show();
             }});
    }
    void Texto(const char* section, std::string key, QLineEdit* edit, const char* byDefault) {
        rows_.push_back({section, std::move(key), true,
                         [edit] { return edit->text().toStdString(); },
                         [edit](const std::string& v) {
                             edit->setText(QString::fromStdString(text::AsUtf8(v)));
                         },
                         [edit, byDefault] { edit->setText(byDefault); }});
    }
    // An item index of a list that keeps its item unless the value's first
    // character names one of its `count` items.
    void Lista(const char* section, std::string key, QComboBox* list, int count, int byDefault) {
        rows_.push_back({section, std::move(key), true,
                         [list] { return std::to_string(list->currentIndex()); },
                         [list, count](const std::string& v) {
                             if (!v.empty() && v[0] >= '0' && v[0] < '0' + count)
                                 list->setCurrentIndex(v[0] - '0');
                         },
                         [list, byDefault] { list->setCurrentIndex(byDefault); }});
    }
    // Widths of columns 1..count of a grid, keys "COL_1".."COL_<count>";
    // `byDefault` gives a column its default width, nothing when a reset
    // leaves the column alone (or when it is empty, for every column).
    void Anchos(const char* section, TStringGrid* grid, int count,
                std::function<std::optional<int>(int col)> byDefault = {}) {
        for (int col = 1; col <= count; ++col) {
            const std::string key = "COL_" + std::to_string(col);
            std::function<void()> reset;
            if (byDefault)
                reset = [grid, col, byDefault] {
                    if (const std::optional<int> width = byDefault(col))
                        grid->SetColWidths(col, *width);
                };
            rows_.push_back({section, key, true,
                             [grid, col] { return std::to_string(grid->ColWidths(col)); },
                             [=](const std::string& v) {
                                 grid->SetColWidths(col, std::max(0, Numero(v, section, key)));
                             },
                             std::move(reset)});
        }
    }
    // A key a reset leaves as it is.
    void SinDefecto(const char* section, std::string key, bool required,
                    std::function<std::string()> save,
                    std::function<void(const std::string&)> load) {
        rows_.push_back({section, std::move(key), required, std::move(save), std::move(load), {}});
    }

private:
    static std::string Marca(const TCheckBox* box) { return box->Checked() ? "S" : "N"; }

    std::vector<Ajuste>& rows_;
};

// The window's place as read, applied once the four keys are in.
struct LugarLeido {
    bool maximised = false;
    int top = 0, left = 0, width = 0;
};

// `rect` fitted to the available area of the screen it overlaps most: no
// larger than that area and moved inside it. Nothing when `rect` is empty or
// lies on no screen.
std::optional<QRect> LugarEnPantalla(const QRect& rect) {
    if (!rect.isValid()) return std::nullopt;
    std::optional<QRect> area;
    long long best = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(rect);
        const long long size =
            common.isEmpty() ? 0 : static_cast<long long>(common.width()) * common.height();
        if (size > best) {
            best = size;
            area = screen->availableGeometry();
        }
    }
    if (!area) return std::nullopt;
    const int width = std::min(rect.width(), area->width());
    const int height = std::min(rect.height(), area->height());
    const int left = std::clamp(rect.left(), area->left(), area->left() + area->width() - width);
    const int top = std::clamp(rect.top(), area->top(), area->top() + area->height() - height);
    return QRect(left, top, width, height);
}

// The widest texts of the result and nested-entries columns, for their
// default widths: worked out at the first default width a reset gives, so
// in the language the reset has chosen by then.
class Muestras {
public:
    explicit Muestras(const TFPrincipal& w) : w_(w) {}

    const std::vector<QString>& For(bool size, bool date) {
        if (!made_) {
            sizes_ = {TFPrincipal::TamanoDeMuestra()};
            dates_ = w_.FechasDeMuestra(true);
            made_ = true;
        }
        return size ? sizes_ : date ? dates_ : none_;
    }

private:
    const TFPrincipal& w_;
    bool made_ = false;
    std::vector<QString> none_, sizes_, dates_;
};

// Section "CB": look, colours, language, tips.
void AjustesBasicos(Tabla& t, TFPrincipal& w) {
    const auto colours = [&w] { w.PonColoresEjemplo(); };

    t.Indice("CB", "COLOR_EXITO", w.RGAciertos, "12");
    const std::pair<const char*, TCheckBox*> lines[] = {
        {"LINCAT_HORZ", w.CBLinCatHorizontal},      {"LINCAT_VERT", w.CBLinCatVertical},
        {"LINBUS_HORZ", w.CBLinBusHorizontal},      {"LINBUS_VERT", w.CBLinBusVertical},
        {"LINANI_HORZ", w.CBLinAniHorizontal},      {"LINANI_VERT", w.CBLinAniVertical},
        {"LINCOL_HORZ", w.CBLinColectorHorizontal}, {"LINCOL_VERT", w.CBLinColectorVertical},
    };
    for (const auto& [key, box] : lines)
        t.Casilla("CB", key, box, false);
    t.Casilla("CB", "ANI_DISCO", w.CBAniCrearDisco, true);
    t.Casilla("CB", "ANI_CARPETA", w.CBAniCrearCarpeta, true);
    t.Casilla("CB", "ANI_BUSCAR", w.CBAniBuscar, true);
    t.Color("CB", "COLOR_TEXTO", &w.TextColor, 16711935, colours);
    t.Color("CB", "COLOR_BITMAP", &w.BitmapColor, 128, colours);
    t.Color("CB", "COLOR_AUDIO", &w.AudioColor, 16711680, colours);
    t.Color("CB", "COLOR_MUSIC", &w.MusicColor, 16711680, colours);
    t.Color("CB", "COLOR_VIDEO", &w.VideoColor, 32768, colours);
    t.Indice("CB", "IDIOMA", w.RGIdioma, "01");
    t.Indice("CB", "MODO_TURBO", w.RGModoTurbo, "01");
    t.Texto("CB", "PATH_WINAMP", w.EPathWinAmp, "");
    t.CasillaSinLimpiar("CB", "START_TIPS", w.CBTipsComienzo, true);
}

// Section "CA": the advanced options.
void AjustesAvanzados(Tabla& t, TFPrincipal& w) {
    t.Casilla("CA", "CARPETA_IGUAL", w.CBCarpetaIgual, false);
    t.Casilla("CA", "VER_CAT_ERRORES", w.CBMostrarErroresCatalogo, false);
    t.Indice("CA", "AUTOSORT", w.RGAutoSort, "123");
    t.Casilla("CA", "AUTOSORT_INVERTIR", w.CBAutoSortInvertir, false);
    t.Casilla("CA", "ANIDADOS_BUSCAR_PATH", w.CBAnidadosBuscarPath, false);
    t.Texto("CA", "ANI_EXT_1", w.EExtension1, "");
    t.Texto("CA", "ANI_EXT_2", w.EExtension2, "");
    t.Texto("CA", "ANI_EXT_3", w.EExtension3, "");
    t.Texto("CA", "ANI_EXT_4", w.EExtension4, "");
    t.Lista("CA", "CLUSTER_SIZE", w.CBClusterSize, 8, 3);
    const std::pair<const char*, TCheckBox*> mediaOff[] = {
        {"DOC_OFF", w.CBDocFilesOff}, {"DOT_OFF", w.CBDotFilesOff}, {"BMP_OFF", w.CBBmpFilesOff},
        {"GIF_OFF", w.CBGifFilesOff}, {"JPG_OFF", w.CBJpgFilesOff}, {"PCX_OFF", w.CBPcxFilesOff},
        {"PNG_OFF", w.CBPngFilesOff}, {"TIF_OFF", w.CBTifFilesOff}, {"TGA_OFF", w.CBTgaFilesOff},
        {"WAV_OFF", w.CBWavFilesOff}, {"MP3_OFF", w.CBMp3FilesOff}, {"WMA_OFF", w.CBWmaFilesOff},
        {"OGG_OFF", w.CBOggFilesOff}, {"AVI_OFF", w.CBAviFilesOff}, {"ZIPS_OFF", w.CBCompressedOff},
    };
    for (const auto& [key, box] : mediaOff)
        t.CasillaSinLimpiar("CA", key, box, false);
}

// Section "CI": the printing options.
void AjustesImpresion(Tabla& t, TFPrincipal& w) {
    t.Casilla("CI", "IA_COLECCIONES", w.CBPTColeccionesSN, true);
    t.Casilla("CI", "IA_TIPODISCO", w.CBPTTipodiscoSN, true);
    t.Texto("CI", "IA_TAB", w.EPTTab, "8");
    t.Casilla("CI", "IC_ANIDADOS", w.CBPCAnidadosSN, true);
    t.Texto("CI", "IC_TAB", w.EPCTab, "8");
    const std::pair<const char*, TCheckBox*> printing[] = {
        {"IC_TAMANO", w.CBPCTamanoSN},           {"IC_MODIFICADO", w.CBPCModificadoSN},
        {"IC_CREADO", w.CBPCCreadoSN},           {"IC_ATRIBUTOS", w.CBPCAtributosSN},
        {"IC_DESCRIPCION", w.CBPCDescripcionSN}, {"ID_TAMANO", w.CBPDTamanoSN},
        {"ID_MODIFICADO", w.CBPDModificadoSN},   {"ID_COLECCION", w.CBPDPrintColeccion},
        {"ID_CATALOGO", w.CBPDPrintCatalogo},    {"ID_CARPETA", w.CBPDPrintCarpeta},
        {"IR_COLECCION", w.CBPRColeccionSN},     {"IR_CATALOGO", w.CBPRCatalogoSN},
        {"IR_CARPETA", w.CBPRCarpetaSN},         {"IR_DESCRIPCION", w.CBPRDescripcionSN},
        {"IR_TAMANO", w.CBPRTamanoSN},           {"IR_MODIFICADO", w.CBPRModificadoSN},
        {"IR_CREADO", w.CBPRCreadoSN},           {"IR_ATRIBUTOS", w.CBPRAtributosSN},
        {"IR_EXTENSION", w.CBPRExtensionSN},
    };
    for (const auto& [key, box] : printing)
        t.Casilla("CI", key, box, true);
}

// Sections "IC", "IA" and "IB": the directory columns and the widths of the
// directory, nested-entries and result grids, with the search options.
void AjustesColumnas(Tabla& t, TFPrincipal& w) {
    const std::tuple<const char*, TCheckBox*, bool> columns[] = {
        {"VF_DESCRIPCION", w.CBVerDescripcion, true},
        {"VF_TAMANO", w.CBVerTamano, true},
        {"VF_MODIFICADO", w.CBVerModificado, true},
        {"VF_CREADO", w.CBVerCreado, true},
        {"VF_EXTENSION", w.CBVerExtension, false},
        {"VF_ATRIBUTOS", w.CBVerAtributos, true},
        {"VF_HORA_MODIFICADO", w.CBVerHoraModificado, false},
        {"VF_HORA_CREADO", w.CBVerHoraCreado, false},
        {"VM_RESOLUCION", w.CBVerResolucion, true},
        {"VM_CALIDAD", w.CBVerCalidad, true},
        {"VM_CANALES", w.CBVerCanales, false},
        {"VM_PISTA", w.CBVerPista, false},
        {"VM_ANO", w.CBVerAno, false},
        {"VM_GENERO", w.CBVerGenero, true},
    };
    for (const auto& [key, box, byDefault] : columns)
        t.Casilla("IC", key, box, byDefault);
    // The directory widths follow the column boxes: ResetConfiguracion sets
    // them all at once (BBColumnasClick) after the boxes.
    t.Anchos("IC", w.SGDirectorio, 14);

    // Default widths: wide enough for their titles, a 13-digit size and a dated time.
    const auto samples = std::make_shared<Muestras>(w);
    if (FAnidados != nullptr) {
        TStringGrid* nested = FAnidados->SGAnidados;
        t.Anchos("IA", nested, 5, [&w, nested, samples](int col) -> std::optional<int> {
            static constexpr int kWidths[] = {0, 260, 68, 110, 38, 30};
            return w.AnchoColumna(*nested, TFAnidados::kTitulos[col], kWidths[col],
                                  samples->For(col == 2, col == 3));
        });
    }

    t.Casilla("IB", "AVANZADA_SN", w.CBAvanzada, false);
    t.Casilla("IB", "MULTIMEDIA_SN", w.CBMultimedia, false);
    TStringGrid* results = w.SGResultados;
    t.Anchos("IB", results, 17, [&w, results, samples](int col) -> std::optional<int> {
        // Columns 11 to 17 keep their widths.
        static constexpr int kWidths[] = {0, 90, 100, 120, 140, 166, 68, 108, 108, 50, 30};
        if (col >= static_cast<int>(std::size(kWidths))) return std::nullopt;
        return w.AnchoColumna(*results, kTitulosResultados[col], kWidths[col],
                              samples->For(col == 6, col == 7 || col == 8));
    });
}

// Section "IO": the main window's place and the collector's widths.
void AjustesLugar(Tabla& t, TFPrincipal& w) {
    auto place = std::make_shared<LugarLeido>();
    TFPrincipal* window = &w;
    // The place of a maximised window is its normal place, so that leaving the
    // maximised state gives a sensible size.
    const auto normal = [window] {
        return window->isMaximized() ? window->normalGeometry() : window->geometry();
    };
    t.SinDefecto(
        "IO", "ESTADO_VENTANA", false, [window] { return window->isMaximized() ? "M" : "N"; },
        [place](const std::string& v) { place->maximised = v == "M"; });
    t.SinDefecto(
        "IO", "ARRIBA", true, [normal] { return std::to_string(normal().y()); },
        [place](const std::string& v) { place->top = Numero(v, "IO", "ARRIBA"); });
    t.SinDefecto(
        "IO", "IZQUIERDA", true, [normal] { return std::to_string(normal().x()); },
        [place](const std::string& v) { place->left = Numero(v, "IO", "IZQUIERDA"); });
    t.SinDefecto(
        "IO", "ANCHO_ARBOL", true, [normal] { return std::to_string(normal().width()); },
        [place](const std::string& v) { place->width = Numero(v, "IO", "ANCHO_ARBOL"); });
    t.SinDefecto(
        "IO", "ALTO_ARBOL", true, [normal] { return std::to_string(normal().height()); },
        [place, window](const std::string& v) {
            const QRect rect(place->left, place->top, place->width, Numero(v, "IO", "ALTO_ARBOL"));
            // A place on no screen of today (a monitor unplugged) keeps the
            // window where it is, within reach; any other is fitted to the
            // screen it lands on, so no saved size makes a window larger
            // than that screen.
            if (const std::optional<QRect> fitted = LugarEnPantalla(rect))
                window->setGeometry(*fitted);
            Qt::WindowStates state = window->windowState() & ~Qt::WindowMaximized;
            if (place->maximised) state |= Qt::WindowMaximized;
            window->setWindowState(state);
        });
    if (FColector != nullptr) t.Anchos("IO", FColector->SGColector, 17);
}

std::vector<Ajuste> TablaAjustes(TFPrincipal& w) {
    std::vector<Ajuste> rows;
    Tabla t(rows);
    AjustesBasicos(t, w);
    AjustesAvanzados(t, w);
    AjustesImpresion(t, w);
    AjustesColumnas(t, w);
    AjustesLugar(t, w);
    return rows;
}

} // namespace

int TFPrincipal::AltoFilaPorDpi(int dpi, int current) {
    if (dpi < 97) return 16;
    if (dpi <= 120) return 18;
    if (dpi <= 144) return 24;
    if (dpi <= 1444) return 28;
    return current;
}

void TFPrincipal::ResetConfiguracion() {
    // Rows as high as the screen's density asks, never lower than the grid's
    // text needs.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
    for (TStringGrid* grid :
         {SGDirectorio, SGResultados, FAnidados != nullptr ? FAnidados->SGAnidados : nullptr,
          FColector != nullptr ? FColector->SGColector : nullptr}) {
        if (grid == nullptr) continue;
        const int height = AltoFilaPorDpi(dpi, grid->DefaultRowHeight());
        grid->SetDefaultRowHeight(std::max(height, grid->fontMetrics().height() + 4));
    }
    SGResultados->SetColWidths(0, 0);
    if (FAnidados != nullptr) FAnidados->SGAnidados->SetColWidths(0, 0);
    for (const Ajuste& row : TablaAjustes(*this))
        if (row.reset) row.reset();
    // What follows the keys: the hit style, the help file of the language,
    // the upper-casing, the directory widths of the column boxes, and the
    // serial-number box, which no file keeps.
    HitRedBold = true;
    HitBold = HitRed = false;
    HelpFile = FileExists(ProgramFolder + "sorvaneeng.hlp") ? ProgramFolder + "sorvaneeng.hlp"
                                                            : std::string();
    TurboMode = true;
    SetTableUpperCase(true);
    CBSerialNumberOff->SetChecked(false);
    BBColumnasClick();
}

void TFPrincipal::CargaConfiguracion() {
    const TSettingsFile file = TSettingsFile::FromText(ReadWholeFile(SettingsPath));
    for (const Ajuste& row : TablaAjustes(*this)) {
        const std::string* value = file.Find(row.section, row.key);
        if (value == nullptr) {
            if (row.required) throw std::runtime_error("SORVANE.INI error");
            continue;
        }
        row.load(*value);
    }
}

void TFPrincipal::GuardaConfiguracion() {
    TSettingsFile file;
    // What the file holds besides our keys is kept.
    if (FileExists(SettingsPath)) file = TSettingsFile::FromText(ReadWholeFile(SettingsPath));
    std::vector<TSettingsFile::OrderedSection> order;
    for (const char* section : kSecciones)
        order.push_back({section, {}});
    for (const Ajuste& row : TablaAjustes(*this)) {
        file.Write(row.section, row.key, row.save());
        for (auto& section : order)
            if (section.name == row.section) section.keys.push_back(row.key);
    }
    const std::size_t slash = SettingsPath.rfind('/');
    if (slash != std::string::npos && slash > 0) CreateFolderPath(SettingsPath.substr(0, slash));
    WriteFileAtomically(SettingsPath, file.ToText(order));
}

void TFPrincipal::ArrancaConfiguracion() {
    SettingsPath =
        SettingsPathOverride.empty() ? UbicacionConfiguracion(ProgramFolder) : SettingsPathOverride;
    // A file of 9 bytes or less holds no settings: a first start.
    if (ReadFileSize(SettingsPath) <= 9) {
        TFAskIdioma question(*RGIdioma, this);
        MuestraModal(question);
        return;
    }
    try {
        CargaConfiguracion();
    } catch (...) {
        MuestraMensaje(LeeTexto("M", "M_ERROR_CONFIGURACION"));
        ResetConfiguracion();
    }
}

void TFPrincipal::AplicaLineasRejillas() {
    AplicaLineas(*SGDirectorio, *this, RejillaConLineas::Directorio);
    AplicaLineas(*SGResultados, *this, RejillaConLineas::Resultados);
    if (FAnidados != nullptr)
        AplicaLineas(*FAnidados->SGAnidados, *this, RejillaConLineas::Anidados);
    AplicaLineasColector();
}

void TFPrincipal::BBTipsClick() {
    MuestraTips(this, *CBTipsComienzo);
}

} // namespace sorvane
