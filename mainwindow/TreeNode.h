// Nodes of the catalogue tree: a collection (a folder below the catalogue root),
// a catalogue (owning its lines) or a folder inside a catalogue.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "platform/Files.h"

#include <QTreeWidgetItem>
#include <memory>
#include <optional>
#include <string>

namespace sorvane {

enum class NodeKind {
    Collection,
    Catalogue,
    Folder,       // a folder whose own folders are not listed yet
    ListedFolder, // a folder whose folders have been created once
};

class TNodoArbol : public QTreeWidgetItem {
public:
    explicit TNodoArbol(NodeKind kind) : kind_(kind) {}

    NodeKind Kind() const { return kind_; }
    void SetKind(NodeKind kind) { kind_ = kind; }

    // The catalogue's lines; only a catalogue node has them.
    CatalogueLines* Lines() const { return lines_.get(); }
    void SetLines(std::unique_ptr<CatalogueLines> lines) { lines_ = std::move(lines); }
    void FreeLines() { lines_.reset(); }

    // The catalogue file as it was when its lines were read or last written
    // here; a file found otherwise was changed on disk by someone else.
    const std::optional<FileIdentity>& Identity() const { return identity_; }
    void SetIdentity(std::optional<FileIdentity> identity) { identity_ = identity; }

    // A catalogue's file name or a collection's folder name as the folder
    // listed it ("Disk.TCT", or bytes that are not UTF-8); empty for a node not
    // read from disk. TFPrincipal::NombreEnDisco decides when it still holds.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name) { fileName_ = std::move(name); }

private:
    NodeKind kind_;
    std::unique_ptr<CatalogueLines> lines_;
    std::string fileName_;
    std::optional<FileIdentity> identity_;
};

inline TNodoArbol* AsNodo(QTreeWidgetItem* item) {
    return static_cast<TNodoArbol*>(item);
}

} // namespace sorvane
