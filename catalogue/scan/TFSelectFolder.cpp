// The folder picker.
#include "catalogue/scan/TFSelectFolder.h"

#include "catalogue/scan/TFolderTree.h"
#include "platform/CataloguePath.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane {

TFSelectFolder::TFSelectFolder(CataloguingHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FSelectFolder");
    setModal(true);
    resize(380, 420);
    DLBFolders = Named<TFolderTree>("DLBFolders", this);
    BBActualizar = Named<QPushButton>("BBActualizar", this);
    BBAceptar = Named<QPushButton>("BBAceptar", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DLBFolders, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BBActualizar);
    buttons->addWidget(BBAceptar, 1);
    layout->addLayout(buttons);
    connect(BBActualizar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBActualizarClick(); }); });
    connect(BBAceptar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBAceptarClick(); }); });
}

void TFSelectFolder::Empieza(const std::string& hostFolder) {
    DLBFolders->SetRoot("/");
    DLBFolders->SelectPath(hostFolder);
}

void TFSelectFolder::BBActualizarClick() {
    DLBFolders->Refresh();
}

void TFSelectFolder::BBAceptarClick() {
    host_.PonCarpetaElegida(ToCataloguePath(DLBFolders->CurrentPath()));
    accept();
}

} // namespace sorvane
