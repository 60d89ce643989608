// The language layer's texts over the standing windows: every binding of the
// table reaches its control (or its control is listed as left for later
// work), each language file gives its own texts, a missing file gives the
// default text, and the edge cases of copies, capitals and grid titles.
#include "dialogs/LanguageBindings.h"

#include "app/StandingWindows.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "catalogue/scan/TFSelectFolder.h"
#include "dialogs/Language.h"
#include "dialogs/LanguageFile.h"
#include "dialogs/TFCambiarCatalogo.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFColectorMensaje.h"
#include "dialogs/TFCrearColeccion.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFFinal.h"
#include "tests/dialogs/LanguageInventory.h"
#include "tests/mainwindow/WindowTestSupport.h"
#include "ui/CheckBox.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <set>
#include <unistd.h>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using namespace windowtest;

constexpr const char* kFileDefault = "File Language Error";
constexpr const char* kOwnDefault = "Language File Error";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Describe(const ControlRef& ref) {
    std::string text = std::string(ref.window) + "." + std::string(ref.control);
    if (ref.slot == BindingSlot::Hint) text += " (hint)";
    if (ref.slot == BindingSlot::Item) text += " (item " + std::to_string(ref.item) + ")";
    return text;
}

// The text a binding must leave in its control, worked out from the
// language file's own values; a copy is the text of the last binding that
// wrote the copied control before it.
QString Expected(std::size_t index, const TLanguageFile& file) {
    const std::vector<LanguageBinding>& table = LanguageBindings();
    const LanguageBinding& binding = table[index];
    if (binding.copyOf) {
        for (std::size_t j = index; j-- > 0;)
            if (table[j].target == *binding.copyOf) return Expected(j, file);
        ADD_FAILURE() << Describe(binding.target) << " copies " << Describe(*binding.copyOf)
                      << ", which no earlier binding writes";
        return {};
    }
    std::string text;
    for (const TextPart& part : binding.parts) {
        switch (part.kind) {
        case TextPart::Lookup: {
            const std::string value = file.ReadString(part.section, part.key,
                                                      part.ownDefault ? kOwnDefault : kFileDefault);
            text += part.capital && !value.empty() ? CapitalizeFirst(value) : value;
            break;
        }
        case TextPart::Literal:
            text += part.key;
            break;
        case TextPart::Version:
            text += "2.22";
            break;
        case TextPart::AppTitle:
            text += "Sorvane 2.22";
            break;
        }
    }
    return QString::fromStdString(text);
}

bool IsPending(std::string_view window, std::string_view control) {
    for (const PendingControl& p : PendingControls())
        if (p.window == window && p.control == control) return true;
    return false;
}

class LanguageBindingsTest : public ChosenProgramFolderTest {
protected:
    LanguageBindingsTest() : ChosenProgramFolderTest("lang") {}

    // A program folder of our own holding the given language files.
    fs::path Folder(const std::map<std::string, std::string>& files) {
        const fs::path folder = temp_ / "program";
        fs::create_directories(folder);
        for (const auto& [name, text] : files)
            std::ofstream(folder / name, std::ios::binary) << text;
        return folder;
    }

    static std::vector<QWidget*> Windows() {
        return {FPrincipal,
                FColector,
                FColectorMensaje,
                FCrearDisco,
                FCrearCarpeta,
                FCrearColeccion,
                FSelectFolder,
                FCambiarCatalogo,
                FCambiarDescripcion,
                FCambiarColeccion,
                FErrores,
                FMensajes,
                FFinal};
    }

    static QWidget* Control(const ControlRef& ref) {
        for (QWidget* window : Windows())
            if (window->objectName().toStdString() == ref.window)
                return BuscaControl(window, ref.control);
        return nullptr;
    }

    // Every written control holds the text of the last binding that wrote it.
    void ExpectTableTexts(const TLanguageFile& file) {
        const std::vector<LanguageBinding>& table = LanguageBindings();
        std::map<std::string, std::size_t> last;
        for (std::size_t i = 0; i < table.size(); ++i)
            last[Describe(table[i].target)] = i;
        for (const auto& [name, index] : last) {
            const ControlRef& ref = table[index].target;
            QWidget* control = Control(ref);
            if (control == nullptr) continue; // left for later work (checked on its own)
            const QString actual = LeeTextoControl(control, ref.slot, ref.item);
            EXPECT_EQ(actual.toStdString(), Expected(index, file).toStdString()) << name;
        }
    }

    static std::string Cell(TStringGrid* grid, int col) { return grid->Cells(col, 0); }
};

TEST_F(LanguageBindingsTest, EveryLookupNamesAKeyOfTheInventory) {
    for (const LanguageBinding& binding : LanguageBindings())
        for (const TextPart& part : binding.parts)
            if (part.kind == TextPart::Lookup) {
                EXPECT_TRUE(test::InInventory(part.section, part.key))
                    << Describe(binding.target) << ": " << part.section << " " << part.key;
            }
}

TEST_F(LanguageBindingsTest, BoundControlsExistOrAreLeftForLaterWork) {
    Start();
    std::set<std::pair<std::string_view, std::string_view>> bound;
    for (const LanguageBinding& binding : LanguageBindings()) {
        std::vector<ControlRef> refs = {binding.target};
        if (binding.copyOf) refs.push_back(*binding.copyOf);
        for (const ControlRef& ref : refs) {
            bound.insert({ref.window, ref.control});
            if (Control(ref) == nullptr) {
                EXPECT_TRUE(IsPending(ref.window, ref.control))
                    << Describe(ref) << " is bound, missing, and not listed in PendingControls()";
            }
        }
    }
    for (const PendingControl& p : PendingControls()) {
        EXPECT_EQ(Control({p.window, p.control}), nullptr)
            << p.window << "." << p.control
            << " now exists: remove it from PendingControls() in dialogs/LanguageBindings.cpp";
        EXPECT_TRUE(bound.count({p.window, p.control}))
            << p.window << "." << p.control << " is bound by nothing";
        EXPECT_FALSE(p.reason.empty());
    }
}

TEST_F(LanguageBindingsTest, EveryPresentControlHasASlotForItsText) {
    Start();
    const std::vector<QWidget*> windows = Windows();
    const ResultadoTextos result = AplicaTextos(windows);
    for (const LanguageBinding* binding : result.unwritable)
        ADD_FAILURE() << Describe(binding->target) << " cannot take its text";
    for (const LanguageBinding* binding : result.missing)
        EXPECT_TRUE(
            IsPending(binding->target.window, binding->target.control) ||
            (binding->copyOf && IsPending(binding->copyOf->window, binding->copyOf->control)))
            << Describe(binding->target);
}

// Both shipped files, each applied after the other one.
struct LanguageCase {
    const char* name;
    int item;
    const char* file;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << c.name;
}

class EachLanguageTest : public LanguageBindingsTest,
                         public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(EachLanguageTest, EveryBoundControlShowsTheFilesText) {
    Start();
    const LanguageCase& c = GetParam();
    // Switch away first, so that nothing is left over from the start.
    FPrincipal->RGIdioma->SetItemIndex(1 - c.item);
    FPrincipal->RGIdioma->SetItemIndex(c.item);
    const TLanguageFile file(ProgramDir() / c.file);
    ExpectTableTexts(file);

    // No bound control is left empty or with a default text.
    for (const LanguageBinding& binding : LanguageBindings()) {
        QWidget* control = Control(binding.target);
        if (control == nullptr) continue;
        const QString text = LeeTextoControl(control, binding.target.slot, binding.target.item);
        EXPECT_FALSE(text.trimmed().isEmpty()) << Describe(binding.target);
        EXPECT_FALSE(text.contains(kFileDefault) || text.contains(kOwnDefault))
            << Describe(binding.target);
    }

    // The grid titles: the capitalised word and seven blanks.
    const char* directory[] = {"DESC",      "NOMBRE",    "TAMANO",   "MODIFICADO", "CREADO",
                               "ATRIBUTOS", "EXTENSION", "DURACION", "RESOLUCION", "CALIDAD",
                               "CANALES",   "ANO",       "PISTA",    "GENERO"};
    for (int col = 1; col <= 14; ++col)
        EXPECT_EQ(Cell(FPrincipal->SGDirectorio, col),
                  CapitalizeFirst(file.ReadString("W", directory[col - 1], kFileDefault)) +
                      "       ");
    EXPECT_EQ(Cell(FPrincipal->SGResultados, 1),
              CapitalizeFirst(file.ReadString("W", "COLECCION", kFileDefault)) + "       ");
}

INSTANTIATE_TEST_SUITE_P(Files, EachLanguageTest,
                         ::testing::Values(LanguageCase{"English", 0, "english.ini"},
                                           LanguageCase{"Spanish", 1, "spanish.ini"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A few Spanish texts written out, so that the oracle above is checked too.
TEST_F(LanguageBindingsTest, SpanishTextsAsTheFileHasThem) {
    Start();
    FPrincipal->RGIdioma->SetItemIndex(1);
    struct Case {
        ControlRef ref;
        const char* text;
    };
    const Case cases[] = {
        {{"FPrincipal", "TSBuscar"}, "Buscar"},
        {{"FPrincipal", "BBuscar"}, "Buscar"},
        {{"FPrincipal", "GBDuracion"}, "Duración (mínimo - máximo)"},
        {{"FPrincipal", "RGAciertos", BindingSlot::Item, 0}, "Rojo y negrita"},
        {{"FPrincipal", "GBDonde", BindingSlot::Item, 1}, "Descripción"},
        {{"FPrincipal", "TBCfgBAsic"}, "Básicas"},
        {{"FPrincipal", "SBAyudaCfgImpresion", BindingSlot::Hint}, "Ayuda"},
        {{"FPrincipal", "GBColectorDirectorio"}, "Colector"},
        {{"FColector", {}}, "Colector"},
        {{"FCrearDisco", "BParar", BindingSlot::Hint}, "Detener la catalogación"},
        {{"FCrearDisco", "GBInfoDisk"}, "Información del disco"},
        {{"FCrearCarpeta", "LInfoPCarpeta"}, "Carpeta:"},
        {{"FErrores", {}}, "Sorvane 2.22 - errores"},
        {{"FErrores", "BCopiar"}, "Copiar"},
        {{"FMensajes", "MBoton"}, "Aceptar"},
        {{"FFinal", "LEspere"}, "Espere, por favor..."},
        {{"FPrincipal", "TEdicion"}, "v. 2.22"},
    };
    for (const Case& c : cases) {
        QWidget* control = Control(c.ref);
        ASSERT_NE(control, nullptr) << Describe(c.ref);
        EXPECT_EQ(LeeTextoControl(control, c.ref.slot, c.ref.item).toStdString(), c.text)
            << Describe(c.ref);
    }
}

TEST_F(LanguageBindingsTest, MissingSpanishFileGivesTheDefaultTextEverywhere) {
    Start(Folder({{"english.ini", ReadBytes(ProgramDir() / "english.ini")}}));
    FPrincipal->RGIdioma->SetItemIndex(1);
    ExpectTableTexts(TLanguageFile());

    // A caption of one lookup reads the default text itself, capitalised or not.
    for (const LanguageBinding& binding : LanguageBindings()) {
        QWidget* control = Control(binding.target);
        if (control == nullptr || binding.copyOf || binding.parts.size() != 1) continue;
        const QString text = LeeTextoControl(control, binding.target.slot, binding.target.item);
        EXPECT_EQ(text.toStdString(), binding.parts[0].ownDefault ? kOwnDefault : kFileDefault)
            << Describe(binding.target);
    }
    EXPECT_EQ(FErrores->BCopiar->text().toStdString(), kOwnDefault);
    EXPECT_EQ(FMensajes->MBoton->text().toStdString(), kOwnDefault);
    EXPECT_EQ(FFinal->LEspere->text().toStdString(), kOwnDefault);
    EXPECT_EQ(FPrincipal->CBVerDescripcion->text().toStdString(), kFileDefault);
    EXPECT_EQ(Cell(FPrincipal->SGDirectorio, 1), std::string(kFileDefault) + "       ");
    EXPECT_EQ(Cell(FPrincipal->SGResultados, 17), std::string(kFileDefault) + "       ");

    // Back to English, every text comes back.
    FPrincipal->RGIdioma->SetItemIndex(0);
    ExpectTableTexts(TLanguageFile(ProgramDir() / "english.ini"));
}

TEST_F(LanguageBindingsTest, LowerCaseWordIsCapitalisedInTheBoxAndTheGridTitles) {
    std::string english = ReadBytes(ProgramDir() / "english.ini");
    const std::size_t at = english.find("\nDESC=");
    ASSERT_NE(at, std::string::npos);
    english.replace(at, english.find('\n', at + 1) - at, "\nDESC=desc");
    Start(Folder({{"english.ini", english}}));
    EXPECT_EQ(FPrincipal->CBVerDescripcion->text(), "Desc");
    EXPECT_EQ(FPrincipal->GBDonde->Items()[1], "Desc");
    EXPECT_EQ(Cell(FPrincipal->SGDirectorio, 1), "Desc       ");
    EXPECT_EQ(Cell(FPrincipal->SGResultados, 4), "Desc       ");
}

TEST_F(LanguageBindingsTest, EmptyValueStaysEmpty) {
    std::string english = ReadBytes(ProgramDir() / "english.ini");
    const std::size_t at = english.find("\nNUEVO=");
    ASSERT_NE(at, std::string::npos);
    english.replace(at, english.find('\n', at + 1) - at, "\nNUEVO=");
    Start(Folder({{"english.ini", english}}));
    EXPECT_EQ(FPrincipal->GBNuevo->title(), "");
}

TEST_F(LanguageBindingsTest, SearchButtonReadsLikeTheAttributeBox) {
    Start();
    for (int item : {0, 1}) {
        FPrincipal->RGIdioma->SetItemIndex(item);
        EXPECT_EQ(FPrincipal->BBuscar->text(), FPrincipal->CBAtributos->text());
        EXPECT_EQ(FPrincipal->BBuscar->text().toStdString(), LeeTextoCapital("W", "BUSCAR"));
    }
}

TEST_F(LanguageBindingsTest, ErrorWindowTitleIsTheApplicationTitleAndItsSuffix) {
    Start();
    for (int item : {1, 0}) {
        FPrincipal->RGIdioma->SetItemIndex(item);
        EXPECT_EQ(FPrincipal->windowTitle(), "Sorvane 2.22");
        EXPECT_EQ(FMensajes->windowTitle(), "Sorvane 2.22");
        EXPECT_EQ(FErrores->windowTitle().toStdString(),
                  "Sorvane 2.22" + LeeTexto("M", "M_TITULO_FERRORES"));
    }
    EXPECT_EQ(NombrePrograma, "Sorvane");
    EXPECT_EQ(VersionPrograma, "2.22");
}

// A control belongs to its nearest window: the main window's own stop and
// help buttons do not take the cataloguing windows' texts, nor the reverse.
TEST_F(LanguageBindingsTest, ControlsOfTheSameNameInOtherWindowsAreLeftAlone) {
    Start();
    EXPECT_EQ(FCrearDisco->BParar->toolTip().toStdString(), LeeTexto("H", "H_CAT_STOP"));
    EXPECT_EQ(FPrincipal->BParar->toolTip().toStdString(), LeeTexto("H", "H_BUSCAR_STOP"));
    EXPECT_EQ(FPrincipal->SBAyudaCat->toolTip().toStdString(), LeeTexto("H", "H_AYUDA"));
    EXPECT_EQ(FCrearDisco->SBAyudaCat->toolTip(), "");
    EXPECT_EQ(BuscaControl(FPrincipal, "RGTipoDisco"), nullptr);
    EXPECT_EQ(BuscaControl(FCrearDisco, "RGTipoDisco"), FCrearDisco->RGTipoDisco);
    EXPECT_EQ(BuscaControl(FCrearDisco, ""), FCrearDisco);
}

// The copied captions of the search page's date labels, through the table
// applied to a window built here with just those labels (the page's own
// labels are checked with every other binding once they exist).
TEST_F(LanguageBindingsTest, CreatedLabelsCopyTheModifiedLabels) {
    Start();
    QWidget window;
    window.setObjectName("FPrincipal");
    std::map<std::string, QLabel*> labels;
    for (const char* name : {"LModificadoIni", "LModificadoFin", "LCreadoIni", "LCreadoFin"}) {
        labels[name] = new QLabel(&window);
        labels[name]->setObjectName(name);
    }
    for (int item : {0, 1}) {
        FPrincipal->RGIdioma->SetItemIndex(item);
        QWidget* const windows[] = {&window};
        AplicaTextos(windows);
        EXPECT_EQ(labels["LModificadoIni"]->text().toStdString(), LeeTextoCapital("W", "INI"));
        EXPECT_EQ(labels["LModificadoFin"]->text().toStdString(), LeeTextoCapital("W", "FIN"));
        EXPECT_EQ(labels["LCreadoIni"]->text(), labels["LModificadoIni"]->text());
        EXPECT_EQ(labels["LCreadoFin"]->text(), labels["LModificadoFin"]->text());
    }
}

// How each kind of control takes a caption, a hint or an item.
TEST_F(LanguageBindingsTest, EachKindOfControlTakesItsText) {
    QWidget window;
    auto* tabs = new QTabWidget(&window);
    auto* page = new QWidget;
    tabs->addTab(page, "old");
    auto* group = new TRadioGroup(QString(), &window);
    group->SetItems({"a", "b"});
    group->SetItemIndex(1);
    struct Case {
        const char* name;
        QWidget* control;
        BindingSlot slot;
        int item;
        bool writable;
        std::function<QString()> shown;
    };
    auto* box = new QGroupBox(&window);
    auto* button = new QPushButton(&window);
    auto* tool = new QToolButton(&window);
    auto* radio = new QRadioButton(&window);
    auto* label = new QLabel(&window);
    auto* edit = new QLineEdit(&window);
    auto* bar = new QProgressBar(&window);
    const Case cases[] = {
        {"window title", &window, BindingSlot::Caption, -1, true,
         [&] { return window.windowTitle(); }},
        {"tab page", page, BindingSlot::Caption, -1, true, [&] { return tabs->tabText(0); }},
        {"group box", box, BindingSlot::Caption, -1, true, [&] { return box->title(); }},
        {"radio group title", group, BindingSlot::Caption, -1, true,
         [&] { return group->title(); }},
        {"radio group item", group, BindingSlot::Item, 1, true,
         [&] { return group->Button(1)->text(); }},
        {"item past the end", group, BindingSlot::Item, 2, false, {}},
        {"item of a label", label, BindingSlot::Item, 0, false, {}},
        {"push button", button, BindingSlot::Caption, -1, true, [&] { return button->text(); }},
        {"tool button", tool, BindingSlot::Caption, -1, true, [&] { return tool->text(); }},
        {"radio button", radio, BindingSlot::Caption, -1, true, [&] { return radio->text(); }},
        {"label", label, BindingSlot::Caption, -1, true, [&] { return label->text(); }},
        {"edit", edit, BindingSlot::Caption, -1, true, [&] { return edit->text(); }},
        {"hint", tool, BindingSlot::Hint, -1, true, [&] { return tool->toolTip(); }},
        {"hint of anything", bar, BindingSlot::Hint, -1, true, [&] { return bar->toolTip(); }},
        {"caption of a progress bar", bar, BindingSlot::Caption, -1, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscribeTextoControl(c.control, c.slot, c.item, "x"), c.writable) << c.name;
        if (!c.writable) continue;
        EXPECT_EQ(c.shown(), "x") << c.name; // what the user sees
        EXPECT_EQ(LeeTextoControl(c.control, c.slot, c.item), "x") << c.name;
    }
    // A new item text keeps the chosen item and runs no handler.
    EXPECT_EQ(group->ItemIndex(), 1);
    EXPECT_EQ(group->Items(), QStringList({"a", "x"}));
}

// Bindings written out by hand from the language layer's lists (a window, a
// control, the slot, and the one text it takes), so that a wrong row in the
// program's table fails here: the table's last binding of the control must be
// this lookup, and the control, where it exists, shows the file's text.
TEST_F(LanguageBindingsTest, HandWrittenBindingsMatchTheTable) {
    struct Row {
        ControlRef ref;
        const char* section;
        const char* key;
        bool capital;
    };
    constexpr auto C = BindingSlot::Caption;
    constexpr auto H = BindingSlot::Hint;
    constexpr auto I = BindingSlot::Item;
    const Row rows[] = {
        {{"FPrincipal", "GBNuevo", C}, "W", "NUEVO", true},
        {{"FPrincipal", "GBEdicion", C}, "W", "EDICION", true},
        {{"FPrincipal", "SBNuevoDisco", C}, "W", "DISCO", true},
        {{"FPrincipal", "SBNuevaCarpeta", C}, "W", "CARPETA", true},
        {{"FPrincipal", "SBNuevaColeccion", C}, "W", "COLECCION", true},
        {{"FPrincipal", "SBRecatalogar", C}, "L", "B_RECATALOGAR", true},
        {{"FPrincipal", "SBNuevoDisco", H}, "H", "H_CREAR_DISCO", false},
        {{"FPrincipal", "SBEliminar", H}, "H", "H_BORRAR_CATALOGO", false},
        {{"FPrincipal", "SBPegarCatalogo1", H}, "H", "H_PEGAR1_CATALOGO", false},
        {{"FPrincipal", "SBPadre", H}, "H", "H_IR_PADRE", false},
        {{"FPrincipal", "BBColumnas", H}, "H", "H_AUTOSIZE_COLS", false},
        {{"FPrincipal", "GBVerColumna", C}, "L", "VER_COL_FICHERO", true},
        {{"FPrincipal", "CBVerTamano", C}, "W", "TAMANO", true},
        {{"FPrincipal", "GBVerHora", C}, "L", "VER_HORA", true},
        {{"FPrincipal", "CBVerAno", C}, "W", "ANO", true},
        {{"FPrincipal", "CBAvanzada", C}, "W", "AVANZADA", true},
        {{"FPrincipal", "CBLectura", C}, "W", "A_SOLOLECTURA", true},
        {{"FPrincipal", "LTamanoIni", C}, "W", "MIN", true},
        {{"FPrincipal", "GBDonde", C}, "L", "GB_DONDE", false},
        {{"FPrincipal", "GBDonde", I, 2}, "W", "NOMBRE", true},
        {{"FPrincipal", "GBCuales", I, 3}, "L", "GB_CUALES_EXTENSION", false},
        {{"FPrincipal", "RBDifusa", C}, "W", "DIFUSA", true},
        {{"FPrincipal", "CBSoloCol", C}, "L", "GB_LIMITACIONES_COLECCION", false},
        {{"FPrincipal", "CBParte", C}, "L", "GB_OPCIONES_PALABRA", false},
        {{"FPrincipal", "LTextoABuscar", C}, "L", "E_TEXTO_BUSCAR", false},
        {{"FPrincipal", "SBVerCatalogo", H}, "H", "H_VER_CATALOGO", false},
        {{"FPrincipal", "LBuscarTipDerecho", C}, "T", "SearchRight", false},
        {{"FPrincipal", "GBGenero", C}, "W", "GENERO", true},
        {{"FPrincipal", "GBExtraerDestino", C}, "L", "GB_EXTRAER_DESTINO", false},
        {{"FPrincipal", "RGAutoSort", C}, "L", "RG_AUTOSORT", true},
        {{"FPrincipal", "RGModoTurbo", I, 1}, "L", "RG_TURBO_MUNDO", false},
        {{"FPrincipal", "CBLinAniVertical", C}, "L", "GB_LINEAS_ANIDADOS_VERT", false},
        {{"FPrincipal", "SBPonColorMusic", H}, "H", "H_MMC_MUSIC", false},
        {{"FPrincipal", "ECVideoEjemplo", C}, "W", "Video", true},
        {{"FPrincipal", "CBPCCreadoSN", C}, "L", "CB_IMPRIMIR_CATALOGOS_CREADO", false},
        {{"FPrincipal", "CBPRExtensionSN", C}, "L", "CB_IMPRIMIR_BUSCAR_EXTENSION", false},
        {{"FPrincipal", "LCreditosDesc", C}, "M", "M_CREDITOS_DESC", false},
        {{"FPrincipal", "SBAbrirColector", H}, "L", "SB_COLECTOR_ABRIR", false},
        {{"FPrincipal", "LColectorSizeBuscar", H}, "L", "L_COLECTOR_SPACE", false},
        {{"FColector", "GBProgreso", C}, "L", "GB_PROGRESO_FICHERO", false},
        {{"FColector", "SBGuardar", C}, "W", "GUARDAR_DOC", true},
        {{"FColector", "SBGuardar", H}, "H", "H_COL_GUARDAR", false},
        {{"FColector", "SBBorrarTodo", H}, "H", "H_COL_VACIA", false},
        {{"FColectorMensaje", "", C}, "L", "MS_COLECTOR_PIDEDISCO", false},
        {{"FColectorMensaje", "BBCancelar", C}, "W", "OMITIR", true},
        {{"FCrearDisco", "", C}, "L", "CC_FORMULARIO", false},
        {{"FCrearDisco", "RGTipoDisco", C}, "L", "CC_TIPO_DISCO", false},
        {{"FCrearDisco", "LInfoDVolumen", C}, "W", "VOLUMEN", true},
        {{"FCrearDisco", "LLTamLibresDisco", C}, "L", "CC_INFO_LIBREDISCO", true},
        {{"FCrearDisco", "SBSelectCarpeta", H}, "M", "M_SEL_CARPETA_EXCLUIR", false},
        {{"FCrearDisco", "BParar", H}, "H", "H_CAT_STOP", false},
        {{"FCrearCarpeta", "LCarpeta", C}, "L", "CK_NUEVA_CARPETA", false},
        {{"FCrearCarpeta", "LNuevoDisco", C}, "L", "CK_NUEVO_DISCO", false},
        {{"FCrearColeccion", "CBPrimerNivel", C}, "L", "CCC_NIVEL1", false},
        {{"FSelectFolder", "", C}, "M", "M_SEL_CARPETA_EXCLUIR", false},
        {{"FSelectFolder", "BBAceptar", C}, "W", "SELECCIONAR_SALIR", true},
        {{"FCambiarCatalogo", "LAnteriorLibre", C}, "L", "L_ANTERIOR_LIBRE", false},
        {{"FCambiarCatalogo", "RGTipoDiscoNuevo", C}, "L", "RG_TIPODISCO_NUEVO", false},
        {{"FCambiarDescripcion", "LNueva", C}, "L", "L_NUEVA_DESC", true},
        {{"FCambiarDescripcion", "LItem", C}, "W", "ITEM", true},
        {{"FCambiarColeccion", "", C}, "L", "XC_FORMULARIO", false},
        {{"FCambiarColeccion", "BBAceptar", C}, "L", "XC_B_ACEPTAR", false},
        {{"FErrores", "BCopiar", C}, "W", "PP_COPIAR", true},
        {{"FMensajes", "MBoton", C}, "W", "OK", true},
        {{"FFinal", "LEspere", C}, "M", "M_ESPERE", false},
    };
    const std::vector<LanguageBinding>& table = LanguageBindings();
    for (const Row& row : rows) {
        const LanguageBinding* last = nullptr;
        for (const LanguageBinding& binding : table)
            if (binding.target == row.ref) last = &binding;
        ASSERT_NE(last, nullptr) << Describe(row.ref) << " is bound by nothing";
        EXPECT_FALSE(last->copyOf) << Describe(row.ref);
        ASSERT_EQ(last->parts.size(), 1u) << Describe(row.ref);
        const TextPart& part = last->parts[0];
        EXPECT_EQ(part.kind, TextPart::Lookup) << Describe(row.ref);
        EXPECT_EQ(part.section, row.section) << Describe(row.ref);
        EXPECT_EQ(part.key, row.key) << Describe(row.ref);
        EXPECT_EQ(part.capital, row.capital) << Describe(row.ref);
    }

    Start();
    for (const auto& [item, file] : {std::pair{1, "spanish.ini"}, std::pair{0, "english.ini"}}) {
        FPrincipal->RGIdioma->SetItemIndex(item);
        const TLanguageFile texts(ProgramDir() / file);
        for (const Row& row : rows) {
            QWidget* control = Control(row.ref);
            if (control == nullptr) continue; // left for later work (checked on its own)
            const std::string value = texts.ReadString(row.section, row.key, "<missing>");
            EXPECT_EQ(LeeTextoControl(control, row.ref.slot, row.ref.item).toStdString(),
                      row.capital ? CapitalizeFirst(value) : value)
                << file << ": " << Describe(row.ref);
        }
    }
}

} // namespace
} // namespace sorvane
