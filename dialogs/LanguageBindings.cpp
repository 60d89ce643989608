// The binding table of the language layer, the list of bound controls that
// later work builds, and the routine that writes the texts.
#include "dialogs/LanguageBindings.h"

#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "platform/Text.h"
#include "ui/RadioGroup.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

namespace sorvane {
namespace {

// The pieces of a text. A star in the language layer's lists is the "c" here.
TextPart Wc(std::string_view key) {
    return {TextPart::Lookup, "W", key, true};
}
TextPart W(std::string_view key) {
    return {TextPart::Lookup, "W", key};
}
TextPart Lc(std::string_view key) {
    return {TextPart::Lookup, "L", key, true};
}
TextPart L(std::string_view key) {
    return {TextPart::Lookup, "L", key};
}
TextPart H(std::string_view key) {
    return {TextPart::Lookup, "H", key};
}
TextPart M(std::string_view key) {
    return {TextPart::Lookup, "M", key};
}
TextPart T(std::string_view key) {
    return {TextPart::Lookup, "T", key};
}
TextPart Lit(std::string_view text) {
    return {TextPart::Literal, {}, text};
}
TextPart Version() {
    return {TextPart::Version, {}, {}};
}
TextPart AppTitle() {
    return {TextPart::AppTitle, {}, {}};
}
// The three last lookups of the language load, whose default is their own.
TextPart OwnDefault(TextPart part) {
    part.ownDefault = true;
    return part;
}

using Parts = std::vector<TextPart>;

LanguageBinding Caption(std::string_view window, std::string_view control, Parts parts) {
    return {{window, control, BindingSlot::Caption}, std::move(parts), std::nullopt};
}
LanguageBinding Title(std::string_view window, Parts parts) {
    return Caption(window, {}, std::move(parts));
}
LanguageBinding Hint(std::string_view window, std::string_view control, Parts parts) {
    return {{window, control, BindingSlot::Hint}, std::move(parts), std::nullopt};
}
LanguageBinding Item(std::string_view window, std::string_view control, int item, Parts parts) {
    return {{window, control, BindingSlot::Item, item}, std::move(parts), std::nullopt};
}
LanguageBinding CaptionOf(std::string_view window, std::string_view control, ControlRef from) {
    return {{window, control, BindingSlot::Caption}, {}, from};
}
LanguageBinding HintOf(std::string_view window, std::string_view control, ControlRef from) {
    return {{window, control, BindingSlot::Hint}, {}, from};
}
ControlRef CaptionRef(std::string_view window, std::string_view control) {
    return {window, control, BindingSlot::Caption};
}
ControlRef HintRef(std::string_view window, std::string_view control) {
    return {window, control, BindingSlot::Hint};
}

constexpr std::string_view P = "FPrincipal";

// The page tabs and the catalogue page.
void CatalogueBindings(std::vector<LanguageBinding>& t) {
    t.push_back(Caption(P, "TSCatalogos", {Wc("CATALOGOS")}));
    t.push_back(Caption(P, "TSBuscar", {Wc("BUSCAR")}));
    t.push_back(Caption(P, "TSExtraer", {Wc("EXTRAER")}));
    t.push_back(Caption(P, "TSConfiguracion", {Wc("CONFIGURAR")}));
    t.push_back(Caption(P, "TSAcercaDe", {Wc("ACERCADE")}));
    t.push_back(Caption(P, "GBNuevo", {Wc("NUEVO")}));
    t.push_back(Caption(P, "GBEdicion", {Wc("EDICION")}));
    t.push_back(Caption(P, "SBNuevoDisco", {Wc("DISCO")}));
    t.push_back(Caption(P, "SBNuevaCarpeta", {Wc("CARPETA")}));
    t.push_back(Caption(P, "SBNuevaColeccion", {Wc("COLECCION")}));
    t.push_back(Caption(P, "SBRecatalogar", {Lc("B_RECATALOGAR")}));
    const std::pair<std::string_view, std::string_view> catalogueHints[] = {
        {"SBNuevoDisco", "H_CREAR_DISCO"},
        {"SBNuevaCarpeta", "H_CREAR_CARPETA"},
        {"SBNuevaColeccion", "H_CREAR_COLECCION"},
        {"SBRecatalogar", "H_RECATALOGAR"},
        {"SBEliminar", "H_BORRAR_CATALOGO"},
        {"SBEscribeArbol", "H_ESCRIBIR_ARBOL"},
        {"SBCambiar", "H_PROPIEDADES"},
        {"SBImprimirCatalogo", "H_IMPRIMIR_CATALOGO"},
        {"SBCortarCatalogo", "H_CORTAR_CATALOGO"},
        {"SBPegarCatalogo", "H_PEGAR_CATALOGO"},
        {"SBPegarCatalogo1", "H_PEGAR1_CATALOGO"},
        {"SBExportaCatalogo", "H_EXPORTAR_CATALOGO"},
        {"SBAnidados", "H_VER_ANIDADOS"},
        {"SBDescripcion", "H_CAMBIAR_DESC"},
        {"SBPadre", "H_IR_PADRE"},
        {"BBColumnas", "H_AUTOSIZE_COLS"},
        {"SBAbrirNotepad", "H_ABRIR_NOTEPAD"},
        {"SBAbrirSistema", "H_ABRIR_SISTEMA"},
        {"SBAbrirCon", "H_ABRIR_CON"},
        {"SBAbrirExplorador", "H_ABRIR_EXPLORADOR"},
        {"SBEncolarWinAmp", "H_ENCOLAR_WINAMP"},
        {"SBImprimirDirectorio", "H_IMPRIMIR_DIRECTORIO"},
        {"SBAyudaCat", "H_AYUDA"},
    };
    for (const auto& [control, key] : catalogueHints)
        t.push_back(Hint(P, control, {H(key)}));
    t.push_back(Caption(P, "GBVerColumna", {Lc("VER_COL_FICHERO")}));
    t.push_back(Caption(P, "CBVerDescripcion", {Wc("DESC")}));
    t.push_back(Caption(P, "CBVerTamano", {Wc("TAMANO")}));
    t.push_back(Caption(P, "CBVerModificado", {Wc("MODIFICADO")}));
    t.push_back(Caption(P, "CBVerCreado", {Wc("CREADO")}));
    t.push_back(Caption(P, "CBVerExtension", {Wc("EXTENSION")}));
    t.push_back(Caption(P, "CBVerAtributos", {Wc("ATRIBUTOS")}));
    t.push_back(Caption(P, "GBVerHora", {Lc("VER_HORA")}));
    t.push_back(Caption(P, "CBVerHoraModificado", {Wc("MODIFICADO")}));
    t.push_back(Caption(P, "CBVerHoraCreado", {Wc("CREADO")}));
    t.push_back(Caption(P, "GBVerMultimedia", {Lc("VER_COL_MULTI")}));
    t.push_back(Caption(P, "CBVerResolucion", {Wc("RESOLUCION")}));
    t.push_back(Caption(P, "CBVerCalidad", {Wc("CALIDAD")}));
    t.push_back(Caption(P, "CBVerCanales", {Wc("CANALES")}));
    t.push_back(Caption(P, "CBVerAno", {Wc("ANO")}));
    t.push_back(Caption(P, "CBVerPista", {Wc("PISTA")}));
    t.push_back(Caption(P, "CBVerGenero", {Wc("GENERO")}));
    // The stop buttons of the two cataloguing windows.
    t.push_back(Hint("FCrearDisco", "BParar", {H("H_CAT_STOP")}));
    t.push_back(Hint("FCrearCarpeta", "BParar", {H("H_CAT_STOP")}));
}

// The search page.
void SearchBindings(std::vector<LanguageBinding>& t) {
    t.push_back(Caption(P, "CBAvanzada", {Wc("AVANZADA")}));
    t.push_back(Caption(P, "CBMultimedia", {Wc("MULTIMEDIA")}));
    t.push_back(Caption(P, "GBAtributos", {Wc("ATRIBUTOS")}));
    t.push_back(Caption(P, "CBAtributos", {Wc("BUSCAR")}));
    t.push_back(Caption(P, "CBAnidadosAttr", {Wc("A_ANIDADO")}));
    t.push_back(Caption(P, "CBMultimediaAttr", {Wc("A_MULTIMEDIA")}));
    t.push_back(Caption(P, "CBSistema", {Wc("A_SISTEMA")}));
    t.push_back(Caption(P, "CBOculto", {Wc("A_OCULTO")}));
    t.push_back(Caption(P, "CBArchivo", {Wc("A_ARCHIVO")}));
    t.push_back(Caption(P, "CBLectura", {Wc("A_SOLOLECTURA")}));
    t.push_back(Caption(P, "CBComprimido", {Wc("A_COMPRIMIDO")}));
    t.push_back(Caption(P, "CBOffLine", {Wc("A_OFFLINE")}));
    t.push_back(Caption(P, "GBModificado", {Wc("MODIFICADO")}));
    t.push_back(Caption(P, "LModificadoIni", {Wc("INI")}));
    t.push_back(Caption(P, "LModificadoFin", {Wc("FIN")}));
    t.push_back(Caption(P, "GBCreado", {Wc("CREADO")}));
    t.push_back(CaptionOf(P, "LCreadoIni", CaptionRef(P, "LModificadoIni")));
    t.push_back(CaptionOf(P, "LCreadoFin", CaptionRef(P, "LModificadoFin")));
    t.push_back(Caption(P, "GBTamano", {Wc("TAMANO")}));
    t.push_back(Caption(P, "LTamanoIni", {Wc("MIN")}));
    t.push_back(Caption(P, "LTamanoFin", {Wc("MAX")}));
    t.push_back(Caption(P, "GBDonde", {L("GB_DONDE")}));
    t.push_back(Item(P, "GBDonde", 0, {Wc("AMBOS")}));
    t.push_back(Item(P, "GBDonde", 1, {Wc("DESC")}));
    t.push_back(Item(P, "GBDonde", 2, {Wc("NOMBRE")}));
    t.push_back(Caption(P, "GBCuales", {L("GB_CUALES")}));
    const std::string_view which[] = {"GB_CUALES_TODO", "GB_CUALES_ITEMS", "GB_CUALES_FICHEROS",
                                      "GB_CUALES_EXTENSION", "GB_CUALES_CARPETAS"};
    for (int i = 0; i < 5; ++i)
        t.push_back(Item(P, "GBCuales", i, {L(which[i])}));
    t.push_back(Caption(P, "GBTipo", {L("GB_TIPO_BUSQUEDA")}));
    t.push_back(Caption(P, "RBNormal", {Wc("ESTANDAR")}));
    t.push_back(Caption(P, "RBComodin", {Wc("COMODINES")}));
    t.push_back(Caption(P, "RBComodines", {Wc("SUPERCOMODINES")}));
    t.push_back(Caption(P, "RBDifusa", {Wc("DIFUSA")}));
    t.push_back(Caption(P, "GBLimitaciones", {L("GB_LIMITACIONES")}));
    t.push_back(Caption(P, "CBSoloCat", {L("GB_LIMITACIONES_CATALOGO")}));
    t.push_back(Caption(P, "CBSoloCol", {L("GB_LIMITACIONES_COLECCION")}));
    t.push_back(Caption(P, "CBAnidados", {Wc("FICHEROS_ANIDADOS")}));
    t.push_back(Caption(P, "GBopciones", {Wc("OPCIONES")}));
    t.push_back(Caption(P, "CBMayusculas", {L("GB_OPCIONES_MAY")}));
    t.push_back(Caption(P, "CBTildes", {L("GB_OPCIONES_TILDES")}));
    t.push_back(Caption(P, "CBParte", {L("GB_OPCIONES_PALABRA")}));
    t.push_back(Caption(P, "LTextoABuscar", {L("E_TEXTO_BUSCAR")}));
    t.push_back(CaptionOf(P, "BBuscar", CaptionRef(P, "CBAtributos")));
    t.push_back(Caption(P, "BParar", {Wc("PARAR")}));
    t.push_back(Hint(P, "BParar", {H("H_BUSCAR_STOP")}));
    t.push_back(Caption(P, "RBAnd", {L("RB_Y")}));
    t.push_back(Caption(P, "RBOr", {L("RB_O")}));
    t.push_back(Hint(P, "SBAyudaBus", {H("H_AYUDA")}));
    t.push_back(HintOf(P, "SBAbreExitoNotepad", HintRef(P, "SBAbrirNotepad")));
    t.push_back(HintOf(P, "SBAbreExitoSistema", HintRef(P, "SBAbrirSistema")));
    t.push_back(HintOf(P, "SBExplorarExito", HintRef(P, "SBAbrirExplorador")));
    t.push_back(HintOf(P, "SBEncolarExitoWinamp", HintRef(P, "SBEncolarWinAmp")));
    t.push_back(HintOf(P, "SBAbreExitoCon", HintRef(P, "SBAbrirCon")));
    t.push_back(Hint(P, "SBImprimirExitos", {H("H_IMPRIMIR_EXITOS")}));
    t.push_back(Hint(P, "SBCopiar", {H("H_EXPORTAR_EXITOS")}));
    t.push_back(Hint(P, "SBVerCatalogo", {H("H_VER_CATALOGO")}));
    t.push_back(Hint(P, "SBBuscarColumnas", {H("H_COLUMNAS_EXITOS")}));
    t.push_back(Caption(P, "LBuscarTipIzquierdo", {T("SearchLeft")}));
    t.push_back(Caption(P, "LBuscarTipDerecho", {T("SearchRight")}));
    t.push_back(Caption(P, "GBDuracion", {Wc("DURACION"), Lit(" "), W("MINMAX")}));
    t.push_back(Caption(P, "LDuracionBuscar", {Wc("TIEMPO")}));
    t.push_back(Caption(P, "LPaginasBuscar", {Wc("PAGINAS")}));
    t.push_back(Caption(P, "LAnchoBuscar", {Wc("ANCHO")}));
    t.push_back(Caption(P, "LAltoBuscar", {Wc("ALTO")}));
    t.push_back(Caption(P, "LFrecBuscar", {Wc("FRECUENCIA")}));
    t.push_back(Caption(P, "GBResolucion", {Wc("RESOLUCION"), Lit(" "), W("MINMAX")}));
    t.push_back(Caption(P, "GBCalidad", {Wc("CALIDAD"), Lit(" "), W("MM")}));
    t.push_back(Caption(P, "GBCanales", {Wc("CANALES_SHORT")}));
    t.push_back(Caption(P, "CBCanales1", {L("CB_CANALES_1")}));
    t.push_back(Hint(P, "CBCanales1", {H("H_CANALES_1")}));
    t.push_back(Caption(P, "CBcanales2", {L("CB_CANALES_2")}));
    t.push_back(Hint(P, "CBcanales2", {H("H_CANALES_2")}));
    t.push_back(Caption(P, "GBPista", {Wc("PISTA"), Lit(" "), W("MM")}));
    t.push_back(Caption(P, "GBAno", {Wc("ANO"), Lit(" "), W("MM")}));
    t.push_back(Caption(P, "GBGenero", {Wc("GENERO")}));
}

// The extraction page.
void ExtractBindings(std::vector<LanguageBinding>& t) {
    t.push_back(Caption(P, "GBExtraerOrigen", {L("GB_EXTRAER_ORIGEN")}));
    t.push_back(Caption(P, "GBExtraerDestino", {L("GB_EXTRAER_DESTINO")}));
    t.push_back(Caption(P, "BBExtraer", {L("B_EXTRAER")}));
    t.push_back(Caption(P, "BBPararExtraer", {Wc("PARAR")}));
    t.push_back(Hint(P, "BBPararExtraer", {H("H_EXTRAER_STOP")}));
    t.push_back(Hint(P, "SBAyudaExt", {H("H_AYUDA")}));
    // No key of its own: the button chooses the archive its group names.
    t.push_back(Hint(P, "SBAbrirExtraer", {L("GB_EXTRAER_ORIGEN")}));
}

// The configuration page.
void ConfigBindings(std::vector<LanguageBinding>& t) {
    t.push_back(Caption(P, "TBCfgBAsic", {L("TB_BASIC")}));
    t.push_back(Caption(P, "TBCfgAvd", {L("TB_ADV")}));
    t.push_back(Caption(P, "TBCfgPrint", {L("TB_PRINT")}));
    t.push_back(Caption(P, "RGAciertos", {Wc("EXITOS")}));
    t.push_back(Item(P, "RGAciertos", 0, {L("RG_ACIERTOS_AMBOS")}));
    t.push_back(Item(P, "RGAciertos", 1, {L("RG_ACIERTOS_NEGRITA")}));
    t.push_back(Item(P, "RGAciertos", 2, {L("RG_ACIERTOS_ROJO")}));
    t.push_back(Caption(P, "RGAutoSort", {Lc("RG_AUTOSORT")}));
    t.push_back(Item(P, "RGAutoSort", 0, {L("RG_AUTOSORT_DISCO")}));
    t.push_back(Item(P, "RGAutoSort", 1, {L("RG_AUTOSORT_NOMBRE")}));
    t.push_back(Item(P, "RGAutoSort", 2, {L("RG_AUTOSORT_TAMAÑO")}));
    t.push_back(Item(P, "RGAutoSort", 3, {L("RG_AUTOSORT_MODIFICADO")}));
    t.push_back(Caption(P, "CBAutoSortInvertir", {L("RG_AUTOSORT_INVERTIR")}));
    t.push_back(Caption(P, "RGModoTurbo", {L("RG_TURBO")}));
    t.push_back(Item(P, "RGModoTurbo", 0, {L("RG_TURBO_EUROPA")}));
    t.push_back(Item(P, "RGModoTurbo", 1, {L("RG_TURBO_MUNDO")}));
    t.push_back(Caption(P, "GBExtAnidados", {L("GB_EXTENSIONES")}));
    t.push_back(Caption(P, "SBResetConfiguracion", {L("B_RESETEAR")}));
    t.push_back(Hint(P, "SBResetConfiguracion", {H("H_RESETEAR")}));
    t.push_back(Caption(P, "RGIdioma", {L("RG_IDIOMA")}));
    // The language buttons, the text-colour button and the player's browse
    // button have no hint key of their own: theirs are made of the texts near them.
    t.push_back(Hint(P, "SBIngles", {L("RG_IDIOMA"), Lit(": English")}));
    t.push_back(Hint(P, "SBEspanol", {L("RG_IDIOMA"), Lit(": Español")}));
    t.push_back(HintOf(P, "SpeedButton1", HintRef(P, "SBEspanol")));
    t.push_back(Caption(P, "GBTips", {L("GB_TIPS")}));
    t.push_back(Caption(P, "CBTipsComienzo", {L("GB_TIPS_NO")}));
    t.push_back(Caption(P, "BBtips", {L("B_TIPS")}));
    t.push_back(Caption(P, "GBLineasRejillas", {L("GB_LINEAS_REJILLAS")}));
    const std::pair<std::string_view, std::string_view> lines[] = {
        {"CBLinCatHorizontal", "GB_LINEAS_CATALOGOS_HORZ"},
        {"CBLinCatVertical", "GB_LINEAS_CATALOGOS_VERT"},
        {"CBLinBusHorizontal", "GB_LINEAS_BUSCAR_HORZ"},
        {"CBLinBusVertical", "GB_LINEAS_BUSCAR_VERT"},
        {"CBLinAniHorizontal", "GB_LINEAS_ANIDADOS_HORZ"},
        {"CBLinAniVertical", "GB_LINEAS_ANIDADOS_VERT"},
        {"CBLinColectorHorizontal", "GB_LINEAS_COLECTOR_HORZ"},
        {"CBLinColectorVertical", "GB_LINEAS_COLECTOR_VERT"},
    };
    for (const auto& [control, key] : lines)
        t.push_back(Caption(P, control, {L(key)}));
    t.push_back(Caption(P, "GBAnimaciones", {L("GB_ANIMACIONES")}));
    t.push_back(Caption(P, "CBAniCrearDisco", {L("GB_ANI_CREAR_DISCO")}));
    t.push_back(Caption(P, "CBAniCrearCarpeta", {L("GB_ANI_CREAR_CARPETA")}));
    t.push_back(Caption(P, "CBAniBuscar", {L("GB_ANI_BUSCAR")}));
    t.push_back(Caption(P, "GBColoresMultimedia", {L("GB_MULTIMEDIA_COLOR")}));
    t.push_back(Hint(P, "SBPonColorBitmap", {H("H_MMC_BITMAP")}));
    t.push_back(Hint(P, "SBPonColorAudio", {H("H_MMC_AUDIO")}));
    t.push_back(Hint(P, "SBPonColorMusic", {H("H_MMC_MUSIC")}));
    t.push_back(Hint(P, "SBPonColorVideo", {H("H_MMC_VIDEO")}));
    t.push_back(Hint(P, "SBPonColorTexto", {L("GB_MULTIMEDIA_COLOR"), Lit(": "), W("DOCS")}));
    t.push_back(Caption(P, "ECTextoEjemplo", {Wc("DOCS")}));
    t.push_back(Caption(P, "ECBitmapEjemplo", {Wc("BITMAP")}));
    t.push_back(Caption(P, "ECAudioEjemplo", {Wc("AUDIO")}));
    t.push_back(Caption(P, "ECMusicEjemplo", {Wc("MUSIC")}));
    t.push_back(Caption(P, "ECVideoEjemplo", {Wc("Video")}));
    t.push_back(Caption(P, "GBPathWinamp", {L("GB_PATH_WINAMP")}));
    t.push_back(Hint(P, "SBCargaWinAmp", {L("GB_PATH_WINAMP")}));
    t.push_back(Caption(P, "GBRecatalogar", {L("GB_RECATALOGAR")}));
    t.push_back(Caption(P, "CBCarpetaIgual", {L("CB_RECATALOGAR_PATH")}));
    t.push_back(Caption(P, "GBMostrarErrores", {L("GB_MOSTRAR_ERRORES")}));
    t.push_back(Caption(P, "CBMostrarErroresCatalogo", {L("CB_ERRORES_CATALOGO")}));
    t.push_back(Caption(P, "GBCfgBuscar", {L("GB_CFG_BUSCAR_ANIDADOS")}));
    t.push_back(Caption(P, "CBAnidadosBuscarPath", {L("CB_BUSCA_ANIDADOS_PATH")}));
    t.push_back(Caption(P, "GBSerialNumberOff", {L("GB_NUMERO_SERIE")}));
    t.push_back(Caption(P, "CBSerialNumberOff", {L("CB_NUMERO_SERIE")}));
    t.push_back(Caption(P, "GBMultimediaOff", {L("GB_MM_OFF")}));
    t.push_back(Caption(P, "GBCompressedOff", {L("GB_C_OFF")}));
    t.push_back(Caption(P, "CBCompressedOff", {L("CB_C_OFF")}));
    t.push_back(Caption(P, "GBPrintTree", {L("GB_IMPRIMIR_COLECCIONES")}));
    t.push_back(Caption(P, "CBPTColeccionesSN", {L("CB_IMPRIMIR_COLECCIONES_SN")}));
    t.push_back(Caption(P, "CBPTTipodiscoSN", {L("CB_IMPRIMIR_COLECCIONES_TIPODISCO")}));
    t.push_back(Caption(P, "GBPrintCatalogue", {L("GB_IMPRIMIR_CATALOGOS")}));
    const std::pair<std::string_view, std::string_view> print[] = {
        {"CBPCAnidadosSN", "CB_IMPRIMIR_CATALOGOS_ANIDADOS"},
        {"CBPCTamanoSN", "CB_IMPRIMIR_CATALOGOS_TAMANO"},
        {"CBPCModificadoSN", "CB_IMPRIMIR_CATALOGOS_MODIFICADO"},
        {"CBPCCreadoSN", "CB_IMPRIMIR_CATALOGOS_CREADO"},
        {"CBPCAtributosSN", "CB_IMPRIMIR_CATALOGOS_ATRIBUTOS"},
        {"CBPCDescripcionSN", "CB_IMPRIMIR_CATALOGOS_DESC"},
        {"GBPrintDirectory", "GB_IMPRIMIR_DIRECTORIO"},
        {"CBPDTamanoSN", "CB_IMPRIMIR_DIRECTORIO_TAMANO"},
        {"CBPDModificadoSN", "CB_IMPRIMIR_DIRECTORIO_MODIFICADO"},
        {"CBPDPrintColeccion", "CB_IMPRIMIR_DIRECTORIO_COLECCIONES"},
        {"CBPDPrintCatalogo", "CB_IMPRIMIR_DIRECTORIO_CATALOGOS"},
        {"CBPDPrintCarpeta", "CB_IMPRIMIR_DIRECTORIO_CARPETAS"},
        {"GBPrintResultados", "GB_IMPRIMIR_BUSCAR"},
        {"CBPRColeccionSN", "CB_IMPRIMIR_BUSCAR_COLECCION"},
        {"CBPRCatalogoSN", "CB_IMPRIMIR_BUSCAR_CATALOGO"},
        {"CBPRCarpetaSN", "CB_IMPRIMIR_BUSCAR_CARPETA"},
        {"CBPRDescripcionSN", "CB_IMPRIMIR_BUSCAR_DESC"},
        {"CBPRTamanoSN", "CB_IMPRIMIR_BUSCAR_TAMANO"},
        {"CBPRModificadoSN", "CB_IMPRIMIR_BUSCAR_MODIFICADO"},
        {"CBPRCreadoSN", "CB_IMPRIMIR_BUSCAR_CREADO"},
        {"CBPRAtributosSN", "CB_IMPRIMIR_BUSCAR_ATRIBUTOS"},
        {"CBPRExtensionSN", "CB_IMPRIMIR_BUSCAR_EXTENSION"},
    };
    for (const auto& [control, key] : print)
        t.push_back(Caption(P, control, {L(key)}));
    t.push_back(Hint(P, "SBAyudaCfgBasic", {H("H_AYUDA")}));
    t.push_back(HintOf(P, "SBAyudaCfgAvanzada", HintRef(P, "SBAyudaCfgBasic")));
    t.push_back(HintOf(P, "SBAyudaCfgImpresion", HintRef(P, "SBAyudaCfgBasic")));
    t.push_back(Caption(P, "LColectorCFGCluster", {L("T_CLUSTER_SIZE")}));
    t.push_back(Caption(P, "GBColectorCfg", {L("T_COLECTOR")}));
}

// The about page and the collector panels.
void AboutBindings(std::vector<LanguageBinding>& t) {
    t.push_back(Caption(P, "TEdicion", {Lit("v. "), Version()}));
    t.push_back(Caption(P, "LCreditosFormatos", {M("M_CREDITOS_FORMATOS")}));
    t.push_back(Caption(P, "LCreditosDesc", {M("M_CREDITOS_DESC")}));
    t.push_back(Caption(P, "LDerechos", {M("M_DERECHOS_TODOS")}));
    t.push_back(Title("FColector", {L("T_COLECTOR")}));
    t.push_back(CaptionOf(P, "GBColectorDirectorio", CaptionRef("FColector", {})));
    t.push_back(CaptionOf(P, "GBColectorBuscar", CaptionRef("FColector", {})));
    t.push_back(Hint(P, "SBAddColector", {H("H_COL_AÑADIR")}));
    t.push_back(Hint(P, "SBAddColectorBuscar", {H("H_COL_AÑADIR")}));
    t.push_back(Hint(P, "SBAbrirColector", {L("SB_COLECTOR_ABRIR")}));
    t.push_back(Hint(P, "SBAbrirColectorBuscar", {L("SB_COLECTOR_ABRIR")}));
    t.push_back(Hint(P, "LColectorFicherosNumero", {L("L_COLECTOR_NFILES")}));
    t.push_back(HintOf(P, "LColectorFicherosNumeroBuscar", HintRef(P, "LColectorFicherosNumero")));
    t.push_back(
        HintOf("FColector", "LColectorFicherosNumero", HintRef(P, "LColectorFicherosNumero")));
    t.push_back(Hint(P, "LColectorSize", {L("L_COLECTOR_SPACE")}));
    t.push_back(Hint(P, "LColectorSizeBuscar", {L("L_COLECTOR_SPACE")}));
}

// The main window, page by page.
void MainWindowBindings(std::vector<LanguageBinding>& t) {
    CatalogueBindings(t);
    SearchBindings(t);
    ExtractBindings(t);
    ConfigBindings(t);
    AboutBindings(t);
}

// The other standing windows, in the order the language layer lists them.
void OtherWindowBindings(std::vector<LanguageBinding>& t) {
    constexpr std::string_view C = "FColector";
    t.push_back(CaptionOf(C, "GBInfo", CaptionRef(P, "GBColectorDirectorio")));
    t.push_back(Caption(C, "GBProgreso", {L("GB_PROGRESO_FICHERO")}));
    t.push_back(Caption(C, "GBDestino", {L("GB_COLECTOR_DESTINO")}));
    t.push_back(Hint(C, "GBDestino", {H("H_COL_DESTINO")}));
    t.push_back(Caption(C, "SBAbrir", {Wc("ABRIR_DOC")}));
    t.push_back(Hint(C, "SBAbrir", {H("H_COL_ABRIR")}));
    t.push_back(Caption(C, "SBGuardar", {Wc("GUARDAR_DOC")}));
    t.push_back(Hint(C, "SBGuardar", {H("H_COL_GUARDAR")}));
    t.push_back(Hint(C, "SBCopiar", {H("H_COL_START")}));
    t.push_back(Hint(C, "SBParar", {H("H_COL_STOP")}));
    t.push_back(Hint(C, "SBBorrarTodo", {H("H_COL_VACIA")}));
    t.push_back(Hint(C, "SBBorrar", {H("H_COL_BORRAR")}));
    t.push_back(HintOf(C, "SBAyuda", HintRef(P, "SBAyudaCfgBasic")));
    t.push_back(Hint(C, "LColectorBytes", {L("L_COLECTOR_SPACE")}));
    t.push_back(Hint(C, "LColectorSize", {L("L_COLECTOR_SPACE")}));

    constexpr std::string_view Q = "FColectorMensaje";
    t.push_back(Title(Q, {L("MS_COLECTOR_PIDEDISCO")}));
    t.push_back(Caption(Q, "LMensaje", {M("M_DISCO_NOENCONTRADO")}));
    t.push_back(Caption(Q, "LCatalogoTitulo", {Wc("CATALOGO")}));
    t.push_back(Caption(Q, "LItemTitulo", {Wc("ITEM")}));
    t.push_back(Caption(Q, "BBReintentar", {Wc("REINTENTAR")}));
    t.push_back(Caption(Q, "BBCancelar", {Wc("OMITIR")}));
    t.push_back(Caption(Q, "BBParar", {Wc("PARAR")}));

    // The two cataloguing windows share their progress and exclusion texts.
    const auto progress = [&t](std::string_view window) {
        t.push_back(Caption(window, "GBInfoProgress", {Wc("INFO_PROGRESO")}));
        t.push_back(Caption(window, "LInfoPCarpeta", {Wc("CARPETA"), Lit(":")}));
        t.push_back(Caption(window, "LInfoPFichero", {Wc("FICHERO"), Lit(":")}));
        t.push_back(Caption(window, "LInfoPAnidado", {Wc("FICHERO_ANIDADO"), Lit(":")}));
        t.push_back(Caption(window, "GBExcluir", {L("CC_EXCLUIDAS")}));
        t.push_back(Hint(window, "SBSelectCarpeta", {M("M_SEL_CARPETA_EXCLUIR")}));
    };
    constexpr std::string_view D = "FCrearDisco";
    t.push_back(Title(D, {L("CC_FORMULARIO")}));
    t.push_back(Caption(D, "RGTipoDisco", {L("CC_TIPO_DISCO")}));
    t.push_back(Caption(D, "LNuevoNombre", {L("CC_NUEVO_NOMBRE")}));
    t.push_back(Caption(D, "LNuevoDisco", {L("CC_NUEVO_DISCO")}));
    t.push_back(Caption(D, "BBActualizar", {L("CC_REFRESCAR")}));
    t.push_back(Caption(D, "BBNuevoCatalogo", {L("CC_BOTON_CREAR")}));
    t.push_back(Caption(D, "GBInfoDisk", {Lc("CC_INFO_DISCO")}));
    t.push_back(Caption(D, "LInfoDSerie", {Wc("NUMERO_SERIE")}));
    t.push_back(Caption(D, "LInfoDVolumen", {Wc("VOLUMEN")}));
    t.push_back(Caption(D, "LInfoDFicheros", {Wc("FICHEROS")}));
    t.push_back(Caption(D, "LInfoDCarpetas", {Wc("CARPETAS")}));
    t.push_back(Caption(D, "LLTamFilesDisco", {Lc("CC_INFO_TAMDISCO")}));
    t.push_back(Caption(D, "LLTamLibresDisco", {Lc("CC_INFO_LIBREDISCO")}));
    progress(D);

    constexpr std::string_view F = "FCrearCarpeta";
    t.push_back(Title(F, {L("CK_FORMULARIO")}));
    t.push_back(Caption(F, "LCarpeta", {L("CK_NUEVA_CARPETA")}));
    t.push_back(Caption(F, "LNuevoNombre", {L("CK_NUEVO_NOMBRE")}));
    t.push_back(Caption(F, "LNuevoDisco", {L("CK_NUEVO_DISCO")}));
    t.push_back(Caption(F, "BBActualizar", {L("CC_REFRESCAR")}));
    t.push_back(Caption(F, "BBNuevoCatalogo", {L("CK_BOTON_CREAR")}));
    progress(F);

    constexpr std::string_view N = "FCrearColeccion";
    t.push_back(Title(N, {L("CCC_FORMULARIO")}));
    t.push_back(Caption(N, "BBAceptar", {L("CCC_B_ACEPTAR")}));
    t.push_back(Caption(N, "LNueva", {L("CCC_NUEVA")}));
    t.push_back(Caption(N, "CBPrimerNivel", {L("CCC_NIVEL1")}));

    t.push_back(Title("FSelectFolder", {M("M_SEL_CARPETA_EXCLUIR")}));
    t.push_back(Caption("FSelectFolder", "BBAceptar", {Wc("SELECCIONAR_SALIR")}));
    t.push_back(Caption("FSelectFolder", "BBActualizar", {L("CC_REFRESCAR")}));

    constexpr std::string_view K = "FCambiarCatalogo";
    t.push_back(Title(K, {M("M_CAMBIAR_CATALOGO")}));
    t.push_back(Caption(K, "RGTipoDiscoAnterior", {L("RG_TIPODISCO_ANTERIOR")}));
    t.push_back(Caption(K, "RGTipoDiscoNuevo", {L("RG_TIPODISCO_NUEVO")}));
    t.push_back(Caption(K, "LAnterior", {L("L_ANTERIOR_NOMBRECATALOGO")}));
    t.push_back(Caption(K, "LNueva", {L("L_NUEVO_NOMBRECATALOGO")}));
    t.push_back(Caption(K, "LAnteriorOcupado", {L("L_ANTERIOR_OCUPADO")}));
    t.push_back(Caption(K, "LAnteriorLibre", {L("L_ANTERIOR_LIBRE")}));
    t.push_back(Caption(K, "LAnteriorTotal", {L("L_ANTERIOR_TOTAL")}));
    t.push_back(Caption(K, "LNuevoLibre", {L("L_NUEVO_LIBRE")}));
    t.push_back(Caption(K, "LNuevoTotal", {L("L_NUEVO_TOTAL")}));
    t.push_back(CaptionOf(K, "BBAceptar", CaptionRef(K, {})));

    constexpr std::string_view E = "FCambiarDescripcion";
    t.push_back(Title(E, {M("M_CAMBIAR_DESC")}));
    t.push_back(Caption(E, "LItem", {Wc("ITEM")}));
    t.push_back(Caption(E, "LAnterior", {Lc("L_ANTERIOR_DESC")}));
    t.push_back(Caption(E, "LNueva", {Lc("L_NUEVA_DESC")}));
    t.push_back(Caption(E, "BBAceptar", {M("M_CAMBIAR_DESC")}));
    t.push_back(Caption(E, "GBMultimedia", {Wc("MULTIMEDIA"), Lit(" "), W("DATA")}));
    const std::pair<std::string_view, std::string_view> media[] = {
        {"LMMDuracion", "DURACION"}, {"LMMResolucion", "RESOLUCION"},
        {"LMMCalidad", "CALIDAD"},   {"LMMCanales", "CANALES"},
        {"LMMAno", "ANO"},           {"LMMPista", "PISTA"},
        {"LMMGenero", "GENERO"},
    };
    for (const auto& [control, key] : media)
        t.push_back(Caption(E, control, {Wc(key), Lit(":")}));

    constexpr std::string_view X = "FCambiarColeccion";
    t.push_back(Title(X, {L("XC_FORMULARIO")}));
    t.push_back(Caption(X, "LAnterior", {L("XC_ANTERIOR")}));
    t.push_back(Caption(X, "LNueva", {L("XC_NUEVA")}));
    t.push_back(Caption(X, "BBAceptar", {L("XC_B_ACEPTAR")}));

    t.push_back(Title("FErrores", {AppTitle(), M("M_TITULO_FERRORES")}));
    t.push_back(Caption("FErrores", "BCopiar", {OwnDefault(Wc("PP_COPIAR"))}));
    t.push_back(Caption("FMensajes", "MBoton", {OwnDefault(Wc("OK"))}));
    t.push_back(Caption("FFinal", "LEspere", {OwnDefault(M("M_ESPERE"))}));
}

std::vector<LanguageBinding> BuildTable() {
    std::vector<LanguageBinding> table;
    MainWindowBindings(table);
    OtherWindowBindings(table);
    return table;
}

QString ToQString(const std::string& bytes) {
    return QString::fromStdString(text::AsUtf8(bytes));
}

QWidget* FindWindow(std::span<QWidget* const> windows, std::string_view name) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (QWidget* window : windows)
        if (window != nullptr && window->objectName() == wanted) return window;
    return nullptr;
}

QWidget* Resolve(std::span<QWidget* const> windows, const ControlRef& ref) {
    QWidget* window = FindWindow(windows, ref.window);
    return window == nullptr ? nullptr : BuscaControl(window, ref.control);
}

// The tab widget that shows `page` as one of its pages, or nullptr.
QTabWidget* TabsOfPage(QWidget* page) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    if (stack == nullptr) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    return tabs != nullptr && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

} // namespace

const std::vector<LanguageBinding>& LanguageBindings() {
    static const std::vector<LanguageBinding> table = BuildTable();
    return table;
}

const std::vector<PendingControl>& PendingControls() {
    // Bound controls that their own work has not built yet. A test fails both
    // for a bound control that is missing and not listed here, and for a
    // listed control that now exists: the list says exactly what is left.
    static const std::vector<PendingControl> pending = {};
    return pending;
}

std::string TextoDePartes(const std::vector<TextPart>& parts) {
    std::string text;
    for (const TextPart& part : parts) {
        switch (part.kind) {
        case TextPart::Lookup: {
            const std::string value =
                part.ownDefault
                    ? LanguageFile().ReadString(part.section, part.key, "Language File Error")
                    : LeeTexto(part.section, part.key);
            text += part.capital && !value.empty() ? CapitalizeFirst(value) : value;
            break;
        }
        case TextPart::Literal:
            text += part.key;
            break;
        case TextPart::Version:
            text += VersionPrograma;
            break;
        case TextPart::AppTitle:
            text += NombrePrograma + " " + VersionPrograma;
            break;
        }
    }
    return text;
}

QWidget* BuscaControl(QWidget* window, std::string_view control) {
    if (control.empty()) return window;
    const QString name = QString::fromUtf8(control.data(), static_cast<qsizetype>(control.size()));
    // The standing windows are children of the main window, and some share
    // control names with it: a control belongs to its nearest window.
    for (QWidget* candidate : window->findChildren<QWidget*>(name))
        if (candidate->window() == window) return candidate;
    return nullptr;
}

QString LeeTextoControl(QWidget* control, BindingSlot slot, int item) {
    if (slot == BindingSlot::Hint) return control->toolTip();
    if (slot == BindingSlot::Item) {
        auto* group = qobject_cast<TRadioGroup*>(control);
        return group != nullptr && item >= 0 && item < group->Count() ? group->Items()[item]
                                                                      : QString();
    }
    if (control->isWindow()) return control->windowTitle();
    if (QTabWidget* tabs = TabsOfPage(control)) return tabs->tabText(tabs->indexOf(control));
    if (auto* box = qobject_cast<QGroupBox*>(control)) return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    return {};
}

bool EscribeTextoControl(QWidget* control, BindingSlot slot, int item, const QString& text) {
    if (slot == BindingSlot::Hint) {
        control->setToolTip(text);
        return true;
    }
    if (slot == BindingSlot::Item) {
        auto* group = qobject_cast<TRadioGroup*>(control);
        if (group == nullptr || item < 0 || item >= group->Count()) return false;
        group->SetItem(item, text);
        return true;
    }
    if (control->isWindow()) {
        control->setWindowTitle(text);
    } else if (QTabWidget* tabs = TabsOfPage(control)) {
        tabs->setTabText(tabs->indexOf(control), text);
    } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
        box->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else {
        return false;
    }
    return true;
}

ResultadoTextos AplicaTextos(std::span<QWidget* const> windows) {
    ResultadoTextos result;
    for (const LanguageBinding& binding : LanguageBindings()) {
        QWidget* control = Resolve(windows, binding.target);
        QWidget* source = binding.copyOf ? Resolve(windows, *binding.copyOf) : nullptr;
        if (control == nullptr || (binding.copyOf && source == nullptr)) {
            result.missing.push_back(&binding);
            continue;
        }
        const QString text =
            source != nullptr ? LeeTextoControl(source, binding.copyOf->slot, binding.copyOf->item)
                              : ToQString(TextoDePartes(binding.parts));
        if (!EscribeTextoControl(control, binding.target.slot, binding.target.item, text))
            result.unwritable.push_back(&binding);
    }
    return result;
}

} // namespace sorvane
