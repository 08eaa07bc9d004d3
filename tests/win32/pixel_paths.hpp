// The textures that reach the host, whichever way the plug-in writes them:
// on DIB-section surfaces of 32, 24 and 16 bits per pixel (5-5-5 and 5-6-5), every pixel that
// GetPixel reads back from a surface the plug-in filled must equal the pixel
// of a second surface of the same depth filled the plain way, one SetPixel
// per pixel with the GDI colour of the texture word.
#pragma once

#include "report.hpp"

namespace host {

// Loads the plug-in at dll_path afresh (random state 0), builds the station
// with every texture style and hands it over onto 32-, 24-, 16-bit (both layouts)
// and 8-bit palette (both row orders) surfaces. The texture words come from the module's own code linked into
// this program, started and fed the same blob, so they are the plug-in's
// words but reach the reference surfaces without passing through it.
void check_pixel_paths(const char* dll_path, Report& report);

}  // namespace host
