// Which actions of the main window have their handler yet. A control of an
// action without one stays disabled: the routine that enables the control
// (ActivaBotonesArbol, ActivaBotonesDirectorio, SGResultadosClick, or the page
// build for a control no routine enables) asks here. The work that builds an
// action's handler connects it and turns its entry on; nothing else changes.
#pragma once

namespace sorvane::built {

// SBRecatalogar.
inline constexpr bool kRecatalogue = true;
// SBEliminar, and Delete on the tree.
inline constexpr bool kDelete = true;
// SBCambiar on a collection node (the collection rename window).
inline constexpr bool kCollectionProperties = true;
// SBCambiar on a catalogue node (the catalogue header editor), and F2 on the tree.
inline constexpr bool kCatalogueProperties = true;
// SBCortarCatalogo, SBPegarCatalogo and SBPegarCatalogo1.
inline constexpr bool kCutAndPaste = true;
// SBAnidados, and a double click on the name of an archive ("@").
inline constexpr bool kNestedEntries = true;
// SBDescripcion, a double click in the description column, and F2 on the grid.
inline constexpr bool kDescriptionEditor = true;
// The text reports: SBEscribeArbol, SBImprimirCatalogo, SBImprimirDirectorio, SBImprimirExitos.
inline constexpr bool kReports = true;
// SBExportaCatalogo.
inline constexpr bool kExport = true;
// SBAbrirColector: the collector window.
inline constexpr bool kCollectorWindow = true;
// SBAddColector and SBAddColectorBuscar: adding entries to the collector.
inline constexpr bool kCollectorAdd = true;
// SBAyudaCat, SBAyudaBus, SBAyudaCfgBasic, SBAyudaCfgAvanzada, SBAyudaCfgImpresion, and the
// collector's SBAyuda.
inline constexpr bool kHelp = true;
// BBtips: the tips window.
inline constexpr bool kTips = true;

} // namespace sorvane::built
