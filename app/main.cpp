// The program body: the application, its title, the standing windows in their
// order, and the message loop until the main window closes.
#include "app/StandingWindows.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Sorvane");
    sorvane::CreaVentanas();
    sorvane::FPrincipal->show();
    const int result = QApplication::exec();
    sorvane::LiberaVentanas();
    return result;
}
