// The error window: the per-item failures of a long operation, one line each,
// shown together when the operation ends.
#pragma once

#include <QDialog>
#include <string_view>

class QPlainTextEdit;
class QPushButton;

namespace sorvane {

class TFErrores : public QDialog {
    Q_OBJECT

public:
    explicit TFErrores(QWidget* parent = nullptr);

    // Appends one failure line.
    void Agrega(std::string_view line);
    void Limpia();
    int LineCount() const;
    // Shows the window modally when it holds at least one line; `caption` is
    // the application title followed by the window's own title text.
    void MuestraSiHayErrores(const QString& caption);

    void BCopiarClick();

    QPlainTextEdit* MErrores;
    QPushButton* BCopiar;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The first line in view, from its first character.
    void MuestraPrincipio();
};

extern TFErrores* FErrores;

} // namespace sorvane
