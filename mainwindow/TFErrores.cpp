// The error window.
#include "mainwindow/TFErrores.h"

#include "dialogs/Modal.h"
#include "platform/Text.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace sorvane {

TFErrores* FErrores = nullptr;

TFErrores::TFErrores(QWidget* parent) : QDialog(parent) {
    setObjectName("FErrores");
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(600, 360);
    MErrores = Named<QPlainTextEdit>("MErrores", this);
    MErrores->setReadOnly(true);
    MErrores->setLineWrapMode(QPlainTextEdit::NoWrap);
    BCopiar = new QPushButton("Copy", this);
    BCopiar->setObjectName("BCopiar");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BCopiar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MErrores);
    layout->addLayout(buttons);
    connect(BCopiar, &QPushButton::clicked, this, [this] { Guarded([this] { BCopiarClick(); }); });
}

void TFErrores::Agrega(std::string_view line) {
    MErrores->appendPlainText(QString::fromStdString(text::AsUtf8(line)));
}

void TFErrores::Limpia() {
    MErrores->clear();
}

int TFErrores::LineCount() const {
    return MErrores->toPlainText().isEmpty() ? 0 : MErrores->document()->blockCount();
}

void TFErrores::MuestraSiHayErrores(const QString& caption) {
    if (LineCount() == 0) return;
    setWindowTitle(caption);
    MuestraPrincipio();
    MuestraModal(*this);
}

void TFErrores::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    MuestraPrincipio();
}

// Appending leaves the cursor at the end of the last line, which would scroll
// the window to it, sideways too; the window opens on the first line instead.
void TFErrores::MuestraPrincipio() {
    QTextCursor cursor = MErrores->textCursor();
    cursor.movePosition(QTextCursor::Start);
    MErrores->setTextCursor(cursor);
    MErrores->horizontalScrollBar()->setValue(0);
    MErrores->verticalScrollBar()->setValue(0);
}

void TFErrores::BCopiarClick() {
    MErrores->selectAll();
    QApplication::clipboard()->setText(MErrores->toPlainText());
    QTextCursor cursor = MErrores->textCursor();
    cursor.clearSelection();
    MErrores->setTextCursor(cursor);
}

} // namespace sorvane
