// The main window's side of the doors the other windows come in by: the
// cataloguing host over its shared state and widgets, the settings view over
// its configuration page.
#include "catalogue/metadata/MediaWriters.h"
#include "dialogs/Language.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/StatusBar.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

namespace sorvane {

void TFPrincipal::RangoProgreso(int maximum) {
    PBPrincipal->setRange(0, maximum);
}

void TFPrincipal::Progreso(int value) {
    PBPrincipal->setValue(value);
}

void TFPrincipal::ProgresoAlPrincipio() {
    PBPrincipal->setValue(PBPrincipal->minimum());
}

void TFPrincipal::ProgresoAlFinal() {
    PBPrincipal->setValue(PBPrincipal->maximum());
}

void TFPrincipal::Estado(const std::string& text) {
    SBPrincipal->Panels(1).SetText(text);
}

void TFPrincipal::AnotaError(std::string_view line) {
    FErrores->Agrega(line);
}

void TFPrincipal::LimpiaErrores() {
    FErrores->Limpia();
}

int TFPrincipal::NumeroErrores() const {
    return FErrores->LineCount();
}

void TFPrincipal::MuestraErrores() {
    FErrores->MuestraSiHayErrores(TituloAplicacion() +
                                  QString::fromStdString(LeeTexto("M", "M_TITULO_FERRORES")));
}

MediaReaders& TFPrincipal::LectoresMedios() {
    return *Lectores;
}

void TFPrincipal::CargaCatalogoNuevo(const std::string& path) {
    QTreeWidgetItem* parent = CollectionPath.empty() ? nullptr : Arbol->currentItem();
    CurrentCatalogueNode = CargaFichero(path, parent);
}

void TFPrincipal::TotalesColector(const std::string& files, const std::string& size) {
    for (QLabel* label : {LColectorFicherosNumero, LColectorFicherosNumeroBuscar})
        label->setText(QString::fromStdString(text::AsUtf8(files)));
    for (QLabel* label : {LColectorSize, LColectorSizeBuscar})
        label->setText(QString::fromStdString(text::AsUtf8(size)));
}

std::optional<std::string> TFPrincipal::CabeceraCatalogo(const std::string& name) const {
    QTreeWidgetItem* node = BuscaCatalogo(QString::fromStdString(text::AsUtf8(name)));
    if (node == nullptr) return std::nullopt;
    const CatalogueLines* lines = AsNodo(node)->Lines();
    if (lines == nullptr || lines->Count() == 0) return std::nullopt;
    return std::string(lines->Line(0));
}

void TFPrincipal::PulsacionRejilla(int x, int y) {
    MouseDownX = x;
    MouseDownY = y;
}

void TFPrincipal::OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                                const std::function<void()>& titles) {
    OrdenaRejilla(grid, column, key, titles, nullptr);
}

void TFPrincipal::OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                                const std::function<void()>& titles, QLabel* info) {
    ClaveOrden keys = &TFPrincipal::GeneraClaveTexto;
    if (key == ClaveRejilla::Nombre) keys = &TFPrincipal::GeneraClaveNombre;
    if (key == ClaveRejilla::Tamano) keys = &TFPrincipal::GeneraClaveTamano;
    if (key == ClaveRejilla::Fecha) keys = &TFPrincipal::GeneraClaveFecha;
    OrdenaColumna(grid, column, keys, titles, info);
}

LineasRejilla TFPrincipal::Lineas(RejillaConLineas grid) const {
    switch (grid) {
    case RejillaConLineas::Directorio:
        return {CBLinCatHorizontal->Checked(), CBLinCatVertical->Checked()};
    case RejillaConLineas::Resultados:
        return {CBLinBusHorizontal->Checked(), CBLinBusVertical->Checked()};
    case RejillaConLineas::Anidados:
        return {CBLinAniHorizontal->Checked(), CBLinAniVertical->Checked()};
    case RejillaConLineas::Colector:
        return {CBLinColectorHorizontal->Checked(), CBLinColectorVertical->Checked()};
    }
    return {};
}

int TFPrincipal::TamanoCluster() const {
    return ObtieneTamanoCluster(CBClusterSize->currentText());
}

bool TFPrincipal::AnimacionCrearDisco() const {
    return CBAniCrearDisco->Checked();
}

bool TFPrincipal::AnimacionCrearCarpeta() const {
    return CBAniCrearCarpeta->Checked();
}

bool TFPrincipal::SinNumeroSerie() const {
    return CBSerialNumberOff->Checked();
}

bool TFPrincipal::MostrarErroresCatalogo() const {
    return CBMostrarErroresCatalogo->Checked();
}

std::uint32_t TFPrincipal::ColorMultimedia(MediaKind kind) const {
    switch (kind) {
    case MediaKind::Bitmap:
        return BitmapColor;
    case MediaKind::Audio:
        return AudioColor;
    case MediaKind::Music:
        return MusicColor;
    case MediaKind::Video:
        return VideoColor;
    default:
        return 0;
    }
}

} // namespace sorvane
