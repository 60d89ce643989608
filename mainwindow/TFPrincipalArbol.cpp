// The catalogue tree of the main window: node kinds, icons, counting and
// building the tree from the catalogue root, loading one catalogue file, and
// the catalogue-page buttons for the selected node.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLoader.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/TFFinal.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/RadioGroup.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeWidget>

namespace sorvane {
namespace {

// A catalogue file: any name whose extension is "tct" in any letter case.
bool IsCatalogueFileName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = name.substr(dot + 1);
    return extension.size() == 3 && (extension[0] | 0x20) == 't' && (extension[1] | 0x20) == 'c' &&
           (extension[2] | 0x20) == 't';
}

QString Q(std::string_view utf8) {
    return QString::fromStdString(text::AsUtf8(utf8));
}

} // namespace

bool TFPrincipal::EsColeccion(QTreeWidgetItem* node) const {
    return node != nullptr && AsNodo(node)->Kind() == NodeKind::Collection;
}

bool TFPrincipal::EsCatalogo(QTreeWidgetItem* node) const {
    return node != nullptr && AsNodo(node)->Kind() == NodeKind::Catalogue;
}

bool TFPrincipal::EstaDesplegado(QTreeWidgetItem* node) const {
    if (node == nullptr) return false;
    const NodeKind kind = AsNodo(node)->Kind();
    return node->childCount() > 0 || kind == NodeKind::Collection || kind == NodeKind::ListedFolder;
}

bool TFPrincipal::EsLineaFichero(std::string_view line) {
    return !EsLineaCarpeta(line);
}

void TFPrincipal::AsignaIconoDisco(QTreeWidgetItem* node, char code) {
    static constexpr std::pair<char, int> kImages[] = {
        {'M', 2}, {'0', 3},  {'A', 4},  {'1', 5},  {'L', 6},  {'2', 7},  {'B', 8},
        {'3', 9}, {'N', 10}, {'4', 11}, {'5', 12}, {'6', 13}, {'C', 14},
    };
    int image = kImageOtherDisk;
    for (const auto& [candidate, index] : kImages)
        if (candidate == code) image = index;
    node->setIcon(0, ILIconos[static_cast<std::size_t>(image)]);
    node->setData(0, Qt::UserRole, image);
}

void TFPrincipal::MarcaTipoDisco(std::string_view header, TRadioGroup& group) const {
    static constexpr char kOrder[] = {'M', '0', 'A', '1', 'L', '2', 'B',
                                      '3', 'N', '4', '5', '6', 'C', 'Z'};
    const char code = DameCabeceraTipo(header);
    for (int item = 0; item < static_cast<int>(sizeof kOrder); ++item) {
        if (kOrder[item] != code) continue;
        group.SetItemIndex(std::min(item, group.Count() - 1));
        return;
    }
}

void TFPrincipal::CuentaCatalogos(const std::string& folder) {
    for (const DirectoryEntry& entry : ListDirectory(HostPath(folder))) {
        if (entry.isDirectory)
            CuentaCatalogos(folder + entry.name + "/");
        else if (IsCatalogueFileName(entry.name))
            ++CatalogueCount;
    }
}

namespace {

// A folder of the catalogue root as the tree shows it: its path relative to the
// root ("" for the root itself, else ending in "/"), the index of its parent
// folder (-1 for the first one listed) and its catalogue files' names.
struct RootFolder {
    std::string folder;
    int parent;
    std::vector<std::string> catalogues;
};

// `folder` and every folder below it in tree order: a folder, then each of its
// sub-folders with everything below it, in the order the file system lists them.
void ListRootFolders(const std::string& base, const std::string& folder, int parent,
                     std::vector<RootFolder>& folders) {
    const int index = static_cast<int>(folders.size());
    folders.push_back({folder, parent, {}});
    const std::vector<DirectoryEntry> entries = ListDirectory(base + folder);
    for (const DirectoryEntry& entry : entries)
        if (!entry.isDirectory && IsCatalogueFileName(entry.name))
            folders[static_cast<std::size_t>(index)].catalogues.push_back(entry.name);
    for (const DirectoryEntry& entry : entries)
        if (entry.isDirectory) ListRootFolders(base, folder + entry.name + "/", index, folders);
}

} // namespace

// The folders are listed first, so that worker threads can read the catalogue
// files ahead while the nodes are made here in tree order: the tree, the counts
// and the messages are those of one catalogue loaded after the other.
void TFPrincipal::CargaArbol(const std::string& folder, QTreeWidgetItem* parent) {
    std::vector<RootFolder> folders;
    ListRootFolders(BaseFolder, folder, -1, folders);
    std::vector<std::string> paths;
    for (const RootFolder& f : folders)
        for (const std::string& name : f.catalogues)
            paths.push_back(HostPath(f.folder + name));
    const unsigned threads = CatalogueReadAhead::DefaultThreads(paths.size());
    CatalogueReadAhead reads(std::move(paths), threads);

    std::vector<QTreeWidgetItem*> collections(folders.size(), nullptr);
    std::size_t next = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const RootFolder& f = folders[i];
        QTreeWidgetItem* above =
            f.parent < 0 ? parent : collections[static_cast<std::size_t>(f.parent)];
        if (!f.folder.empty()) {
            auto* node = new TNodoArbol(NodeKind::Collection);
            const std::string_view name = std::string_view(f.folder).substr(0, f.folder.size() - 1);
            const std::size_t slash = name.rfind('/');
            const std::string_view own =
                slash == std::string_view::npos ? name : name.substr(slash + 1);
            node->setText(0, Q(own));
            node->SetFileName(std::string(own));
            node->setIcon(0, ILIconos[kImageCollection]);
            if (above)
                above->addChild(node);
            else
                Arbol->addTopLevelItem(node);
            collections[i] = node;
        }
        for (const std::string& name : f.catalogues) {
            CargaFichero(reads.Path(next), collections[i], reads.Take(next));
            ++next;
            FFinal->PBFinal->setValue(FFinal->PBFinal->value() + 1);
            FFinal->LProgreso->setText(Q(name));
        }
    }
}

TNodoArbol* TFPrincipal::CargaFichero(const std::string& path, QTreeWidgetItem* collection) {
    return CargaFichero(path, collection, LeeCatalogo(path));
}

TNodoArbol* TFPrincipal::CargaFichero(const std::string& path, QTreeWidgetItem* collection,
                                      CatalogueRead read) {
    try {
        LoadedCatalogue loaded = TerminaCatalogo(path, std::move(read), [&] {
            FFinal->LProgreso->setText(Q(LeeTexto("L", "ACTUALIZANDO_TCT") + path));
            FFinal->LProgreso->repaint();
            QCoreApplication::processEvents();
        });
        if (!loaded.lines) {
            MuestraMensaje(LeeTexto("M", "M_NOMBRE_CORRUPTO") + " " + path);
            return nullptr;
        }
        auto* node = new TNodoArbol(NodeKind::Catalogue);
        node->setText(0, Q(loaded.name));
        const std::size_t slash = path.rfind('/');
        node->SetFileName(slash == std::string::npos ? path : path.substr(slash + 1));
        const char code = loaded.lines->Line(0).size() > 1 ? loaded.lines->Line(0)[1] : ' ';
        TotalEntryCount += static_cast<long long>(loaded.lines->Count()) - 1;
        ++CatalogueCount;
        node->SetLines(std::move(loaded.lines));
        node->SetIdentity(loaded.identity);
        if (EsColeccion(collection)) {
            collection->addChild(node);
            collection->setExpanded(true);
        } else {
            Arbol->addTopLevelItem(node);
        }
        AsignaIconoDisco(node, code);
        return node;
    } catch (const std::exception& e) {
        MuestraMensaje(CapitalizeFirst(InternalErrorWord()) + " CargaFichero(): " + path + "\r\n" +
                       e.what());
        return nullptr;
    }
}

bool TFPrincipal::CatalogoIntacto(QTreeWidgetItem* node) {
    if (!EsCatalogo(node)) return true;
    const std::string path = FicheroDeCatalogo(node);
    const std::optional<FileIdentity> now = IdentityOf(path);
    // A file gone is no one's newer catalogue: the write itself says what is wrong.
    if (!now || now == AsNodo(node)->Identity()) return true;
    if (PreguntaSiNo(TituloAplicacion(),
                     Q(LeeTexto("M", "M_CATALOGO_CAMBIADO") + "\r\n\r\n" + path)))
        RecargaCatalogo(node);
    return false;
}

void TFPrincipal::RecuerdaIdentidad(QTreeWidgetItem* node) {
    if (EsCatalogo(node)) AsNodo(node)->SetIdentity(IdentityOf(FicheroDeCatalogo(node)));
}

void TFPrincipal::RecargaCatalogo(QTreeWidgetItem* node) {
    if (!EsCatalogo(node)) return;
    const std::string path = FicheroDeCatalogo(node);
    LoadedCatalogue loaded;
    try {
        loaded = CargaCatalogo(path);
    } catch (const std::exception& e) {
        MuestraMensaje(CapitalizeFirst(InternalErrorWord()) + " CargaFichero(): " + path + "\r\n" +
                       e.what());
        return;
    }
    if (!loaded.lines) {
        MuestraMensaje(LeeTexto("M", "M_NOMBRE_CORRUPTO") + " " + path);
        return;
    }
    TNodoArbol* catalogue = AsNodo(node);
    const bool shown = EsDescendiente(node, Arbol->currentItem());
    if (shown) Arbol->setCurrentItem(node);
    // The folders made from the old lines go with them.
    for (QTreeWidgetItem* child : node->takeChildren())
        delete child;
    const char code = loaded.lines->Line(0).size() > 1 ? loaded.lines->Line(0)[1] : ' ';
    TotalEntryCount += static_cast<long long>(loaded.lines->Count()) -
                       static_cast<long long>(catalogue->Lines() ? catalogue->Lines()->Count() : 1);
    catalogue->SetLines(std::move(loaded.lines));
    catalogue->SetIdentity(loaded.identity);
    AsignaIconoDisco(node, code);
    if (shown) ArbolChange(node);
    ActualizaContadores();
}

void TFPrincipal::ActivaBotonesArbol(QTreeWidgetItem* node) {
    const bool collection = EsColeccion(node);
    const bool catalogue = EsCatalogo(node);
    const bool topLevel = node != nullptr && node->parent() == nullptr;
    const bool cut = !CutPath.empty();
    // With no node selected (an empty tree included) a new catalogue or
    // collection goes to the top of the catalogue root.
    const bool create = node == nullptr || collection || (catalogue && topLevel);
    SBNuevoDisco->setEnabled(create);
    SBNuevaCarpeta->setEnabled(create);
    SBNuevaColeccion->setEnabled(create);
    SBRecatalogar->setEnabled(catalogue);
    SBCambiar->setEnabled(collection || catalogue);
    SBEliminar->setEnabled(catalogue || (collection && node->childCount() == 0));
    SBImprimirCatalogo->setEnabled(catalogue);
    SBCortarCatalogo->setEnabled(collection || catalogue);
    SBPegarCatalogo->setEnabled(collection && cut);
    SBPegarCatalogo1->setEnabled((collection || catalogue) && cut);
    SBAddColector->setEnabled(!collection);
    SBExportaCatalogo->setEnabled(true);
    SBEscribeArbol->setEnabled(true);
}

std::string TFPrincipal::GetNodePath(QTreeWidgetItem* node) {
    std::string path;
    for (QTreeWidgetItem* n = node; n != nullptr; n = n->parent())
        path.insert(0, "\\" + n->text(0).toStdString());
    return path;
}

std::string TFPrincipal::NombreEnDisco(QTreeWidgetItem* node) const {
    const std::string& found = AsNodo(node)->FileName();
    const bool catalogue = EsCatalogo(node);
    const std::size_t dot = found.rfind('.');
    const std::string_view shown = catalogue && dot != std::string::npos
                                       ? std::string_view(found).substr(0, dot)
                                       : std::string_view(found);
    // A node renamed since it was read is named by its text.
    if (!found.empty() && Q(shown) == node->text(0)) return found;
    return node->text(0).toStdString() + (catalogue ? ".tct" : "");
}

std::string TFPrincipal::CarpetaDeNodo(QTreeWidgetItem* node) const {
    std::string path;
    for (QTreeWidgetItem* n = node; n != nullptr; n = n->parent())
        path.insert(0, "/" + NombreEnDisco(n));
    return BaseFolder.substr(0, BaseFolder.size() - 1) + path;
}

std::string TFPrincipal::FicheroDeCatalogo(QTreeWidgetItem* node) const {
    return CarpetaDeNodo(node->parent()) + "/" + NombreEnDisco(node);
}

bool TFPrincipal::EsDescendiente(QTreeWidgetItem* ancestor, QTreeWidgetItem* node) const {
    for (QTreeWidgetItem* n = node; n != nullptr; n = n->parent())
        if (n == ancestor) return true;
    return false;
}

void TFPrincipal::OrdenaArbol() {
    Arbol->sortItems(0, Qt::AscendingOrder);
}

} // namespace sorvane
