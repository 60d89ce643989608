// Which actions of the main window have their handler yet. A control of an
// action without one stays disabled: the routine that enables the control
// (ActivaBotonesArbol, ActivaBotonesDirectorio, SGResultadosClick, or the page
// build for a control no routine enables) asks here. The work that builds an
// action's handler connects it and turns its entry on; nothing else changes.
#pragma once

namespace sorvane::built {

// SBRecatalogar.
inline constexpr bool kRecatalogue = false;
// SBEliminar, and Delete on the tree.
inline constexpr bool kDelete = false;
// SBCambiar on a collection node (the collection rename window).
inline constexpr bool kCollectionProperties = true;
// SBCambiar on a catalogue node (the catalogue header editor), and F2 on the tree.
inline constexpr bool kCatalogueProperties = false;
// SBCortarCatalogo, SBPegarCatalogo and SBPegarCatalogo1.
inline constexpr bool kCutAndPaste = false;
// SBAnidados, and a double click on the name of an archive ("@").
inline constexpr bool kNestedEntries = true;
// SBDescripcion, a double click in the description column, and F2 on the grid.
inline constexpr bool kDescriptionEditor = false;
// The text reports: SBEscribeArbol, SBImprimirCatalogo, SBImprimirDirectorio, SBImprimirExitos.
inline constexpr bool kReports = false;
// SBExportaCatalogo.
inline constexpr bool kExport = false;
// SBAbrirColector: the collector window.
inline constexpr bool kCollectorWindow = true;
// SBAddColector and SBAddColectorBuscar: adding entries to the collector.
inline constexpr bool kCollectorAdd = true;
// SBAyudaCat, SBAyudaCfgBasic, SBAyudaCfgAvanzada, SBAyudaCfgImpresion.
inline constexpr bool kHelp = false;
// BBtips: the tips window.
inline constexpr bool kTips = false;

} // namespace sorvane::built
