// The standing windows of the program.
#include "app/StandingWindows.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "catalogue/scan/TFSelectFolder.h"
#include "dialogs/Modal.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFCambiarCatalogo.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFColectorMensaje.h"
#include "dialogs/TFCrearColeccion.h"
#include "dialogs/TFExportaCatalogos.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFFinal.h"
#include "ui/SlotBarrier.h"

namespace sorvane {

void CreaVentanas() {
    InstalaPreguntasDelMotor();
    FPrincipal = new TFPrincipal;
    FCambiarColeccion = new TFCambiarColeccion(*FPrincipal, FPrincipal);
    FCambiarCatalogo = new TFCambiarCatalogo(*FPrincipal, FPrincipal);
    FCambiarDescripcion = new TFCambiarDescripcion(*FPrincipal, FPrincipal);
    FFinal = new TFFinal(FPrincipal);
    FErrores = new TFErrores(FPrincipal);
    FAnidados = new TFAnidados(*FPrincipal, FPrincipal);
    FMensajes = new TFMensajes(FPrincipal);
    FCrearDisco = new TFCrearDisco(*FPrincipal, FPrincipal);
    FCrearColeccion = new TFCrearColeccion(*FPrincipal, FPrincipal);
    FCrearCarpeta = new TFCrearCarpeta(*FPrincipal, FPrincipal);
    FSelectFolder = new TFSelectFolder(*FPrincipal, FPrincipal);
    FColector = new TFColector(*FPrincipal, FPrincipal);
    FColectorMensaje = new TFColectorMensaje(FPrincipal);
    FExportaCatalogos = new TFExportaCatalogos(*FPrincipal, FPrincipal);
    // An exception that reaches a handler's barrier is shown as an internal error.
    SetExceptionReporter([](const std::string& message) {
        FPrincipal->MuestraMensaje(CapitalizeFirst(InternalErrorWord()) + ": " + message);
    });
}

void LiberaVentanas() {
    SetExceptionReporter({});
    delete FPrincipal; // the other windows are its children
    FPrincipal = nullptr;
    FCambiarColeccion = nullptr;
    FCambiarCatalogo = nullptr;
    FCambiarDescripcion = nullptr;
    FFinal = nullptr;
    FErrores = nullptr;
    FAnidados = nullptr;
    FMensajes = nullptr;
    FCrearDisco = nullptr;
    FCrearColeccion = nullptr;
    FCrearCarpeta = nullptr;
    FSelectFolder = nullptr;
    FColector = nullptr;
    FColectorMensaje = nullptr;
    FExportaCatalogos = nullptr;
}

} // namespace sorvane
