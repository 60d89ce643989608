// The main window's side of cataloguing: the switches that steer the file
// lines, opening the cataloguing windows, and the headers the duplicate checks
// look at.
#include "catalogue/scan/ArchiveBridge.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "dialogs/Modal.h"
#include "dialogs/TFCambiarCatalogo.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCrearColeccion.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "ui/CheckBox.h"

#include <QLineEdit>
#include <QTreeWidget>

namespace sorvane {

OpcionesLinea TFPrincipal::OpcionesLineaActuales() const {
    OpcionesLinea options;
    options.compressedOff = CBCompressedOff->Checked();
    options.bmpOff = CBBmpFilesOff->Checked();
    options.jpgOff = CBJpgFilesOff->Checked();
    options.gifOff = CBGifFilesOff->Checked();
    options.pngOff = CBPngFilesOff->Checked();
    options.tifOff = CBTifFilesOff->Checked();
    options.pcxOff = CBPcxFilesOff->Checked();
    options.tgaOff = CBTgaFilesOff->Checked();
    options.wavOff = CBWavFilesOff->Checked();
    options.mp3Off = CBMp3FilesOff->Checked();
    options.oggOff = CBOggFilesOff->Checked();
    options.wmaOff = CBWmaFilesOff->Checked();
    options.aviOff = CBAviFilesOff->Checked();
    options.docOff = CBDocFilesOff->Checked();
    options.dotOff = CBDotFilesOff->Checked();
    const QLineEdit* boxes[4] = {EExtension1, EExtension2, EExtension3, EExtension4};
    for (int i = 0; i < 4; ++i)
        options.extensions[i] = boxes[i]->text().toStdString();
    return options;
}

std::vector<std::string_view> TFPrincipal::CabecerasCargadas() const {
    std::vector<std::string_view> headers;
    for (QTreeWidgetItemIterator it(Arbol); *it; ++it) {
        const TNodoArbol* node = AsNodo(*it);
        if (node->Kind() == NodeKind::Catalogue && node->Lines() && node->Lines()->Count() > 0)
            headers.push_back(node->Lines()->Line(0));
    }
    return headers;
}

bool TFPrincipal::ExisteCatalogo(const std::string& name) const {
    std::string folder = CollectionPath;
    for (char& c : folder)
        if (c == '\\') c = '/';
    const std::string host = BaseFolder + (folder.empty() ? "" : folder + "/");
    for (const DirectoryEntry& entry : ListDirectory(host)) {
        if (entry.isDirectory || entry.name.size() != name.size() + 4) continue;
        if (entry.name.compare(0, name.size(), name) != 0 || entry.name[name.size()] != '.')
            continue;
        const std::string extension = entry.name.substr(name.size() + 1);
        if (QString::fromStdString(extension).compare("tct", Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

namespace {

// Opens a cataloguing window and then shows the catalogue it made, if any.
template <typename Window> void Catalogar(TFPrincipal& main, Window& window, const char* mode) {
    if (main.BusyFlag) return;
    main.CatalogueRunMode = mode;
    // The catalogue listed before stays the shown one when none is made.
    TNodoArbol* const shown = main.CurrentCatalogueNode;
    main.CurrentCatalogueNode = nullptr;
    // With no node selected the catalogue is saved at the top of the catalogue root.
    if (main.Arbol->currentItem() == nullptr) main.CollectionPath.clear();
    window.PreparaNuevo();
    MuestraModal(window);
    if (main.CurrentCatalogueNode != nullptr) {
        main.Arbol->setCurrentItem(main.CurrentCatalogueNode);
        main.ArbolChange(main.CurrentCatalogueNode);
    } else {
        main.CurrentCatalogueNode = shown;
    }
    main.Arbol->setFocus();
    main.OrdenaArbol();
}

} // namespace

std::string TFPrincipal::MontaArx(const std::string& path) {
    TVentanaCatalogar& running = FCrearDisco->isVisible()
                                     ? static_cast<TVentanaCatalogar&>(*FCrearDisco)
                                     : static_cast<TVentanaCatalogar&>(*FCrearCarpeta);
    ArchiveBridge bridge(running);
    return bridge.MontaArx(path);
}

void TFPrincipal::BBNuevoDiscoClick() {
    Catalogar(*this, *FCrearDisco, "DISCO");
}
void TFPrincipal::BBNuevaCarpetaClick() {
    Catalogar(*this, *FCrearCarpeta, "CARPETA");
}

void TFPrincipal::BBNuevaColeccionClick() {
    if (BusyFlag) return;
    MuestraModal(*FCrearColeccion);
    Arbol->setFocus();
    ArbolChange(Arbol->currentItem());
    OrdenaArbol();
}

void TFPrincipal::BBCambiarClick() {
    if (BusyFlag || Arbol->topLevelItemCount() == 0) return;
    QTreeWidgetItem* node = Arbol->currentItem();
    if (EsColeccion(node))
        MuestraModal(*FCambiarColeccion);
    else if (EsCatalogo(node))
        MuestraModal(*FCambiarCatalogo);
    else
        return;
    OrdenaArbol();
}

} // namespace sorvane
