// Layouts of the media block of a file line, by media kind: display texts of a
// block's fields, their values, and the values the search filters compare.
// A block is given without its brackets, as DameFicheroMultimedia returns it;
// a block too short for the field read raises EFormatoCatalogo.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// Display texts of a block.
std::string DameTextoResolucion(std::string_view block);    // Bitmap, Video: "640x480"
std::string DameTextoCalidadImagen(std::string_view block); // Bitmap: "24b"
std::string DameTextoDuracionWAV(std::string_view block);   // Audio: "0:01:15"
std::string DameTextoCanalesWAV(std::string_view block);
std::string DameTextoFrecuenciaWAV(std::string_view block); // "44100 Hz"
std::string DameTextoCalidadWAV(std::string_view block);    // "16b"
std::string DameTextoDuracionAudio(std::string_view block); // Music
std::string DameTextoCanalesAudio(std::string_view block);
std::string DameTextoFrecuenciaAudio(std::string_view block);
std::string DameTextoCalidadAudio(std::string_view block); // "128k"
std::string DameTextoAnoAudio(std::string_view block);
std::string DameTextoPistaAudio(std::string_view block);
std::string DameTextoGeneroAudio(std::string_view block);
std::string DameTextoCalidadAVI(std::string_view block); // Video: "25fps"
std::string DameTextoDuracionAVI(std::string_view block);
std::string DameTextoPaginasDOC(std::string_view block); // Text

// Values of the same fields.
std::int32_t DameValorAncho(std::string_view block);
std::int32_t DameValorAlto(std::string_view block);
std::int32_t DameValorCalidadImagen(std::string_view block);
std::int32_t DameValorDuracionWAV(std::string_view block);
std::int32_t DameValorCanalesWAV(std::string_view block);
std::int32_t DameValorFrecuenciaWAV(std::string_view block);
std::int32_t DameValorCalidadWAV(std::string_view block);
std::int32_t DameValorDuracionAudio(std::string_view block);
std::int32_t DameValorCanalesAudio(std::string_view block);
std::int32_t DameValorFrecuenciaAudio(std::string_view block);
std::int32_t DameValorCalidadAudio(std::string_view block);
std::int32_t DameValorAnoAudio(std::string_view block);
std::int32_t DameValorPistaAudio(std::string_view block);
std::int32_t DameValorCalidadAVI(std::string_view block);
std::int32_t DameValorDuracionAVI(std::string_view block);
std::int32_t DameValorPaginasDOC(std::string_view block);

// Search values of a whole file line, by the media kind of its extension; 0 for
// a kind the value does not apply to. Called for lines that carry a media block.
std::int32_t DameFicheroDuracion(std::string_view line);
std::int32_t DameFicheroCanales(std::string_view line);
std::int32_t DameFicheroFrecuencia(std::string_view line);
std::int32_t DameFicheroCalidad(std::string_view line);
std::int32_t DameFicheroAncho(std::string_view line);
std::int32_t DameFicheroAlto(std::string_view line);
std::int32_t DameFicheroPaginas(std::string_view line);

} // namespace sorvane
