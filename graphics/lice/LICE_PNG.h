#pragma once
// PNG pictures in and out of bitmaps.
#include <cstddef>
#include <string>

#include "graphics/lice/LICE_IBitmap.h"

// Decodes a PNG held in memory (any bit depth and colour type). Returns null
// for data that is not a complete, valid PNG. The caller owns the result.
LICE_MemBitmap* LICE_LoadPNGFromMemory(const unsigned char* data, size_t size);
// Decodes the module's "PNG" resource with that integer id; null if absent.
LICE_MemBitmap* LICE_LoadPNGResource(int id);
// Writes the bitmap as an RGBA PNG file.
bool LICE_WritePNG(const LICE_IBitmap* bitmap, const std::string& path);
