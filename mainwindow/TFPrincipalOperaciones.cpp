// The catalogue and collection operations of the catalogue page: re-catalogue
// with the descriptions carried over, delete, cut and paste, and the keys of
// the tree. Each changes the disk first and the tree only after the disk did.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Recatalogue.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/DriveInfo.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "catalogue/scan/TFolderTree.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/CataloguePath.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>
#include <cctype>
#include <functional>
#include <memory>

namespace sorvane {
namespace {

constexpr std::string_view kNoSerial = "0000-0000";

QString Q(std::string_view utf8) {
    return QString::fromStdString(text::AsUtf8(utf8));
}

// Hands the keys released on a widget (not their repeats) to a handler.
class KeyUpFilter : public QObject {
public:
    KeyUpFilter(QObject* parent, std::function<void(int)> onKeyUp)
        : QObject(parent), onKeyUp_(std::move(onKeyUp)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) onKeyUp_(key->key());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> onKeyUp_;
};

// Counts the collection and catalogue nodes, up to `limit`.
int CuentaNodos(const TFPrincipal& w, int limit) {
    int count = 0;
    for (QTreeWidgetItemIterator it(w.Arbol); *it && count < limit; ++it)
        if (w.EsColeccion(*it) || w.EsCatalogo(*it)) ++count;
    return count;
}

// The node shown once `node` is gone: its next sibling, else the one before, else its parent.
QTreeWidgetItem* NodoSiguiente(QTreeWidget& tree, QTreeWidgetItem* node) {
    QTreeWidgetItem* parent = node->parent();
    const auto at = [&](int i) { return parent ? parent->child(i) : tree.topLevelItem(i); };
    const int count = parent ? parent->childCount() : tree.topLevelItemCount();
    const int index = parent ? parent->indexOfChild(node) : tree.indexOfTopLevelItem(node);
    if (index + 1 < count) return at(index + 1);
    if (index > 0) return at(index - 1);
    return parent;
}

// Selects `node` (nothing for none) without the change guard and lists it.
void Selecciona(TFPrincipal& w, QTreeWidgetItem* node) {
    {
        const QSignalBlocker block(w.Arbol);
        w.Arbol->setCurrentItem(node);
    }
    w.ArbolChange(node);
}

// Frees a node and its subtree; the cut and the shown catalogue forget it first.
void QuitaNodo(TFPrincipal& w, QTreeWidgetItem* node) {
    if (w.CutNode != nullptr && w.EsDescendiente(node, w.CutNode)) {
        w.CutNode = nullptr;
        w.CutPath.clear();
    }
    if (w.CurrentCatalogueNode != nullptr && w.EsDescendiente(node, w.CurrentCatalogueNode))
        w.CurrentCatalogueNode = nullptr;
    delete node;
}

// The drive holding a catalogue's volume: the catalogue's own letter while it
// carries the serial, else the last letter that does; none (" ") when no drive
// does, and always for a volume without serial, which its serial cannot tell
// from any other.
char UnidadDelCatalogo(std::string_view serial, char letter) {
    if (serial == kNoSerial) return ' ';
    TDriveInfo& drives = DriveInfo();
    if (letter >= 'A' && letter <= 'Z') {
        drives.Refresh(letter, kRefreshAll);
        const TDriveInfoRec record = drives.GetInfo(letter);
        if (record.Valid && record.DiskPresent && LeeNumeroSerie(letter, drives) == serial)
            return letter;
    }
    return BuscaUnidadPorSerie(serial, drives);
}

// Sets the drive box, reading the drives again when it does not list the letter.
bool PonUnidad(TDriveComboBox& box, char letter) {
    if (box.SetDrive(letter)) return true;
    RefrescaUnidades(box);
    return box.SetDrive(letter);
}

// Moves what was cut below `target` (the top level for none): its file or
// folder first, without ever replacing one, then its node.
void Pega(TFPrincipal& w, QTreeWidgetItem* target) {
    QTreeWidgetItem* node = w.CutNode;
    // Every catalogue moved must be the file its node was read from.
    for (QTreeWidgetItemIterator it(node); *it && w.EsDescendiente(node, *it); ++it)
        if (!w.CatalogoIntacto(*it)) return;
    const std::string from = w.CarpetaDeNodo(node);
    const std::string to = w.CarpetaDeNodo(target) + "/" + w.NombreEnDisco(node);
    if (from != to) {
        if (!RenameNoReplace(from, to)) {
            w.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_MOVER"));
            return;
        }
        const QSignalBlocker block(w.Arbol);
        if (QTreeWidgetItem* parent = node->parent())
            parent->removeChild(node);
        else
            w.Arbol->takeTopLevelItem(w.Arbol->indexOfTopLevelItem(node));
        if (target != nullptr) {
            target->addChild(node);
            target->setExpanded(true);
        } else {
            w.Arbol->addTopLevelItem(node);
        }
    }
    w.CutPath.clear();
    w.CutNode = nullptr;
    Selecciona(w, node);
    w.OrdenaArbol();
}

// The disk window made ready to catalogue again the disk of `header`: its
// kind and name fixed, its drive the one found for the serial (`drive`, or a
// blank when none was) or else the letter of the header. True when a drive
// was set; otherwise the user is warned and chooses one.
bool PreparaDisco(TFPrincipal& w, const std::string& header, const QString& name, char drive,
                  char headerLetter, int descriptions) {
    const auto warn = [&w] { w.MuestraMensaje(LeeTexto("M", "M_RECATALOGAR_PELIGRO")); };
    TFCrearDisco& disk = *FCrearDisco;
    w.CatalogueRunMode = "RDISCO";
    w.MarcaTipoDisco(header, *disk.RGTipoDisco);
    disk.RGTipoDisco->setEnabled(false);
    disk.ENombre->setText(name);
    disk.ENombre->setEnabled(false);
    disk.DCBDisco->setEnabled(false);
    bool warned = false;
    if (drive == ' ') {
        disk.DCBDisco->setEnabled(true);
        warn();
        warned = true;
        drive = headerLetter;
    }
    w.PBPrincipal->setMaximum(descriptions);
    const bool driveSet = PonUnidad(*disk.DCBDisco, drive);
    if (!driveSet) {
        // The letter stands for no drive now: the user chooses one.
        disk.DCBDisco->setEnabled(true);
        if (!warned) warn();
    }
    return driveSet;
}

// The folder window made ready to catalogue again the folder of `header`.
// True when the folder is there and chosen; otherwise the user is warned and
// picks it in the folder tree.
bool PreparaCarpeta(TFPrincipal& w, const std::string& header, const QString& name, char drive,
                    char headerLetter, int descriptions) {
    TFCrearCarpeta& folder = *FCrearCarpeta;
    w.CatalogueRunMode = "RCARPETA";
    folder.ENombre->setText(name);
    folder.ENombre->setEnabled(false);
    folder.ShellTreeView1->setEnabled(false);
    // A volume without serial is looked for by the path its header records;
    // the user is asked only when the folder is not there.
    if (drive == ' ') drive = headerLetter;
    PonUnidad(*folder.DCBDisco, drive);
    const std::string source = std::string(1, drive) + ":" + std::string(DameCabeceraRuta(header));
    folder.ENombreCarpeta->setText(Q(ShownPath(source)));
    const std::string host = ToHostPath(source);
    const bool driveSet = !host.empty() && IsDirectory(host) && folder.EligeCarpeta(host);
    if (!driveSet) {
        // The folder is not there to scan: the user picks it in the folder
        // tree, which enables the run; another folder is never scanned in its name.
        w.MuestraMensaje(LeeTexto("M", "M_RECATALOGAR_PELIGRO"));
        folder.ShellTreeView1->setEnabled(true);
    }
    folder.BBNuevoCatalogo->setEnabled(driveSet);
    w.PBPrincipal->setMaximum(descriptions);
    return driveSet;
}

// The saved descriptions given to the entries of the new scan, with the
// progress on the main window; the indexes of those that found no entry.
std::vector<std::size_t> RecuperaDescripciones(TFPrincipal& w, CatalogueLines& fresh,
                                               const std::vector<std::string>& saved,
                                               bool carpetaIgual) {
    TBusyGuard busy(w.BusyFlag);
    const std::size_t count = saved.size();
    w.PBPrincipal->setRange(0, count <= 1 ? 1 : static_cast<int>(count - 1));
    w.PBPrincipal->setValue(0);
    const std::string progress = CapitalizeFirst(LeeTexto("W", "RECUPERANDO")) + " " +
                                 std::to_string(count) + " " + LeeTexto("W", "DESC");
    return RecatalogaDescripciones(
        fresh, saved, carpetaIgual, LeeTexto("M", "M_SEGUNDA_OCURRENCIA"),
        [&](std::size_t index, std::size_t) {
            w.PBPrincipal->setValue(
                std::min(static_cast<int>(index) + 1, w.PBPrincipal->maximum()));
            w.SBPrincipal->Panels(1).SetText(progress + ": " + std::to_string(index));
            QCoreApplication::processEvents();
        },
        [](const std::string& line) { FErrores->Agrega(line); });
}

// The descriptions gone with the old file, on the error list: one line
// counting them, then each old path with its whole text.
void ListaPerdidas(const std::vector<std::size_t>& unmatched,
                   const std::vector<std::string>& oldPaths,
                   const std::vector<std::string>& saved) {
    FErrores->Agrega("");
    FErrores->Agrega(LeeTexto("M", "M_DESCRIPCIONES_PERDIDAS") + " " +
                     std::to_string(unmatched.size()));
    for (const std::size_t k : unmatched)
        FErrores->Agrega((k < oldPaths.size() ? oldPaths[k] : std::string()) + ": " +
                         std::string(DameLineaDescripcion(saved[k])));
}

// The catalogue's node loaded again from the file just saved, in the same
// collection, and selected; a cut of it still stands.
void VuelveACargar(TFPrincipal& w, TNodoArbol* catalogue, const std::string& file,
                   QTreeWidgetItem* parent) {
    const bool wasCut = w.CutNode == catalogue;
    const std::string cutPath = w.CutPath;
    TNodoArbol* reloaded = nullptr;
    {
        // The tree drawn once at the end and its change signal quiet meanwhile,
        // so the change guard never selects a node that is being removed.
        const QSignalBlocker quiet(w.Arbol);
        w.Arbol->setUpdatesEnabled(false);
        const TScopeGuard drawn([&w] { w.Arbol->setUpdatesEnabled(true); });
        QuitaNodo(w, catalogue);
        --w.CatalogueCount;
        reloaded = w.CargaFichero(file, parent);
    }
    if (reloaded != nullptr) {
        w.CurrentCatalogueNode = reloaded;
        if (wasCut) {
            // The same file, so the cut still stands.
            w.CutNode = reloaded;
            w.CutPath = cutPath;
        }
        Selecciona(w, reloaded);
    } else {
        Selecciona(w, parent);
    }
}

} // namespace

void TFPrincipal::ConnectOperationHandlers() {
    const auto on = [this](QToolButton* button, void (TFPrincipal::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    on(SBRecatalogar, &TFPrincipal::BBRecatalogarClick);
    on(SBEliminar, &TFPrincipal::BBEliminarClick);
    on(SBCortarCatalogo, &TFPrincipal::BBCortarCatalogoClick);
    on(SBPegarCatalogo, &TFPrincipal::BBPegarCatalogoClick);
    on(SBPegarCatalogo1, &TFPrincipal::BBPegarCatalogo1Click);
    Arbol->installEventFilter(
        new KeyUpFilter(Arbol, [this](int key) { Guarded([&] { ArbolKeyUp(key); }); }));
}

void TFPrincipal::ArbolKeyUp(int key) {
    if (key == Qt::Key_F2) BBCambiarClick();
    if (key == Qt::Key_Delete) BBEliminarClick();
}

void TFPrincipal::MuestraExcluidas(std::string_view header, QPlainTextEdit& memo) {
    const std::string_view block = DameCabeceraExcluidas(header);
    std::size_t start = 0;
    while (start <= block.size()) {
        std::size_t end = block.find(kItemSeparator, start);
        if (end == std::string_view::npos) end = block.size();
        memo.appendPlainText(Q(block.substr(start, end - start)));
        start = end + 1;
    }
}

void TFPrincipal::BBRecatalogarClick() {
    if (BusyFlag) return;
    // Only the catalogue the grid shows, selected itself.
    TNodoArbol* catalogue = CurrentCatalogueNode;
    if (catalogue == nullptr || Arbol->currentItem() != catalogue ||
        catalogue->Lines() == nullptr || catalogue->Lines()->Count() == 0)
        return;
    FErrores->Limpia();
    const std::string header(catalogue->Lines()->Line(0));
    const std::string serial(DameCabeceraNumSerie(header));
    const long long oldEntries = static_cast<long long>(catalogue->Lines()->Count()) - 1;
    QTreeWidgetItem* parent = catalogue->parent();
    const char headerLetter =
        static_cast<char>(std::toupper(static_cast<unsigned char>(DameCabeceraUnidad(header))));
    char drive = UnidadDelCatalogo(serial, headerLetter);
    if (drive == ' ' && serial != kNoSerial)
        return MuestraMensaje(LeeTexto("M", "M_DISCO_NOENCONTRADO"));
    // The descriptions are taken from memory: they must be the file's.
    if (!CatalogoIntacto(catalogue)) return;

    const bool carpetaIgual = CBCarpetaIgual->Checked();
    std::vector<std::string> oldPaths;
    const std::vector<std::string> saved = CargaDescripciones(
        *catalogue->Lines(), carpetaIgual, [](const std::string& line) { FErrores->Agrega(line); },
        &oldPaths);

    // The scan writes "<name>.RCT" beside the catalogue's file. One left by an
    // earlier run is no scan of this one: it goes before the window opens.
    const std::string file = CarpetaDeNodo(catalogue);
    const std::string fileName = NombreEnDisco(catalogue);
    const std::string rct =
        CarpetaDeNodo(parent) + "/" + fileName.substr(0, fileName.rfind('.')) + ".RCT";
    if (FileExists(rct)) {
        std::string reason;
        if (!DeleteFile(rct, &reason)) throw EInOutError(rct + ": " + reason);
    }

    const QString name = catalogue->text(0);
    const bool isDisk = DameCabeceraTipo(header) != 'C';
    TVentanaCatalogar* window = isDisk ? static_cast<TVentanaCatalogar*>(FCrearDisco)
                                       : static_cast<TVentanaCatalogar*>(FCrearCarpeta);
    const int descriptions = static_cast<int>(saved.size());
    const bool driveSet =
        isDisk ? PreparaDisco(*this, header, name, drive, headerLetter, descriptions)
               : PreparaCarpeta(*this, header, name, drive, headerLetter, descriptions);
    window->MExcluir->clear();
    if (TieneCabeceraExcluidas(header)) MuestraExcluidas(header, *window->MExcluir);
    // Folders gone from the disk exclude nothing; while the drive is still
    // to be chosen they are kept, and the run drops the ones it lacks.
    if (driveSet) window->QuitaExcluidasInexistentes();
    window->MExcluir->setEnabled(false);
    window->SBSelectCarpeta->setEnabled(false);

    RecatalogueFile = rct;
    {
        const TScopeGuard forget([this] { RecatalogueFile.clear(); });
        MuestraModal(*window);
    }

    // Descriptions that found no entry of the new scan: shown even when the
    // error list is not, so that the user can copy each one back.
    bool lostDescriptions = false;
    const auto finish = [this, &lostDescriptions] {
        ActualizaContadores();
        if (FErrores->LineCount() > 0 && (CBMostrarErroresCatalogo->Checked() || lostDescriptions))
            FErrores->MuestraSiHayErrores(TituloAplicacion() +
                                          Q(LeeTexto("M", "M_TITULO_FERRORES")));
    };
    // Cancelled, or the scan failed: the catalogue stays as it was.
    if (!FileExists(rct)) return finish();

    // The new lines go to a list of their own; the catalogue's are replaced
    // only once the merged list is saved. The scan's file is read once.
    auto fresh = std::make_unique<CatalogueLines>();
    {
        const TScopeGuard remove([&rct] { DeleteFile(rct); });
        fresh->LoadFromFile(rct);
    }
    if (fresh->Count() < 2 || Q(DameCabeceraNombre(fresh->Line(0))).trimmed() != name) {
        MuestraMensaje(LeeTexto("M", "M_NOMBRE_CORRUPTO") + " " + rct);
        return finish();
    }
    const std::vector<std::size_t> unmatched =
        RecuperaDescripciones(*this, *fresh, saved, carpetaIgual);
    // Written by another copy while the scan ran: this run's result is not
    // written over it.
    if (!CatalogoIntacto(catalogue)) return finish();
    try {
        fresh->SaveToFile(file);
    } catch (const EInOutError& e) {
        // The catalogue stays as it was, in memory and on the disk.
        MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_CAMBIAR_CAT") + " " + e.what());
        return finish();
    }
    if (!unmatched.empty()) {
        lostDescriptions = true;
        ListaPerdidas(unmatched, oldPaths, saved);
    }
    fresh.reset();
    TotalEntryCount -= oldEntries;

    VuelveACargar(*this, catalogue, file, parent);
    Arbol->setFocus();
    OrdenaArbol();
    finish();
}

void TFPrincipal::BBEliminarClick() {
    if (BusyFlag) return;
    QTreeWidgetItem* node = Arbol->currentItem();
    const bool catalogue = EsCatalogo(node);
    if (!catalogue && !EsColeccion(node)) return; // a folder of a catalogue is not deleted
    if (CuentaNodos(*this, 2) <= 1) return MuestraMensaje(LeeTexto("M", "I_NOBORRAR_ULTIMO"));
    const std::string deleting = LeeTexto("W", "BORRANDO") + "...";
    SBPrincipal->Panels(1).SetText(deleting);
    QTreeWidgetItem* next = NodoSiguiente(*Arbol, node);
    // The question names the item; for a catalogue it says that its file goes.
    std::string question = LeeTexto("M", "M_DESEA_BORRAR") + "\n" + node->text(0).toStdString();
    if (catalogue)
        question += "\n\n" + LeeTexto("M", "M_BORRA_FICHERO") + "\n" + CarpetaDeNodo(node);
    if (!PreguntaSiNo(Q(deleting), Q(question))) return;
    // A catalogue written by another copy since it was loaded is not deleted unseen.
    if (catalogue && !CatalogoIntacto(node)) return;

    bool deleted = false;
    {
        TBusyGuard busy(BusyFlag);
        // The tree drawn once at the end and its change signal quiet meanwhile,
        // so the change guard never selects a node that is being removed.
        const QSignalBlocker quiet(Arbol);
        Arbol->setUpdatesEnabled(false);
        const TScopeGuard drawn([this] { Arbol->setUpdatesEnabled(true); });
        if (catalogue) {
            const CatalogueLines* lines = AsNodo(node)->Lines();
            const long long entries =
                lines != nullptr ? static_cast<long long>(lines->Count()) - 1 : 0;
            if (DeleteFile(CarpetaDeNodo(node))) {
                TotalEntryCount -= entries;
                QuitaNodo(*this, node);
                --CatalogueCount;
                deleted = true;
            } else {
                MuestraMensaje(LeeTexto("M", "M_NO_BORRAR_CATALOGO"));
            }
        } else if (node->childCount() > 0) {
            MuestraMensaje(LeeTexto("M", "M_NOVACIA_COL"));
        } else {
            SBPrincipal->Panels(1).SetText(deleting);
            // Only an empty folder goes: files the tree does not show keep it.
            if (RemoveEmptyFolder(CarpetaDeNodo(node))) {
                QuitaNodo(*this, node);
                CollectionPath.clear();
                deleted = true;
            } else {
                MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_BORRAR_COL"));
            }
        }
    }
    SGDirectorio->SetRowCount(2);
    SGDirectorio->ClearRow(1);
    SGDirectorio->SetRowTag(1, kRowEmpty);
    Arbol->setFocus();
    // A node that stayed stays selected.
    Selecciona(*this, deleted ? next : node);
    ActualizaContadores();
}

void TFPrincipal::BBCortarCatalogoClick() {
    if (BusyFlag) return;
    QTreeWidgetItem* node = Arbol->currentItem();
    CutPath.clear();
    CutNode = nullptr;
    if (EsCatalogo(node))
        CutPath = CatalogueCollectionPath + node->text(0).toStdString() + ".tct";
    else if (EsColeccion(node))
        CutPath = CollectionPath;
    if (!CutPath.empty()) CutNode = node;
    ActivaBotonesArbol(node);
}

void TFPrincipal::BBPegarCatalogoClick() {
    if (BusyFlag) return;
    QTreeWidgetItem* target = Arbol->currentItem();
    if (!EsColeccion(target) || CutPath.empty() || CutNode == nullptr) return;
    if (target == CutNode->parent()) return MuestraMensaje(LeeTexto("M", "M_MISMA_CARPETA"));
    // A collection never goes into itself or one of its own collections.
    if (EsDescendiente(CutNode, target)) return MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_MOVER"));
    Pega(*this, target);
}

void TFPrincipal::BBPegarCatalogo1Click() {
    if (BusyFlag || CutPath.empty() || CutNode == nullptr) return;
    Pega(*this, nullptr);
}

} // namespace sorvane
