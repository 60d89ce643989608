// The disk cataloguing window: picks a drive, the kind of medium and a name,
// walks the whole drive into a new catalogue (or a re-catalogue file).
#pragma once

#include "catalogue/scan/TVentanaCatalogar.h"

namespace sorvane {

class TRadioGroup;

class TFCrearDisco : public TVentanaCatalogar {
    Q_OBJECT

public:
    explicit TFCrearDisco(CataloguingHost& host, QWidget* parent = nullptr);

    // A new catalogue also chooses its medium kind again.
    void PreparaNuevo() override;
    void FormShow();
    void DCBDiscoChange();
    void BBActualizarClick() override;
    void BBNuevoCatalogoClick() override;

    // The medium kinds in their list order.
    static const char* const kTiposDisco[13];

    TRadioGroup* RGTipoDisco;
    QLabel *LTamFilesDisco, *LTamLibresDisco;

protected:
    void showEvent(QShowEvent* event) override;
    std::string CarpetaInicialSelector() const override;
    bool AnimacionActiva() const override;
    void MuestraProgreso(const ScanState& state) override;

private:
    // False when no disk is in the drive (the handler then moved to drive C).
    bool LeeUnidad();
    std::vector<QWidget*> ControlesDeEjecucion() const;

    std::int64_t totalBytes_ = 0;
    std::int64_t freeBytes_ = 0;
    std::uint64_t progressMax_ = 0;
};

inline TFCrearDisco* FCrearDisco = nullptr;

} // namespace sorvane
