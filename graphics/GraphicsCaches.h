#pragma once
// The process-wide caches shared by every editor: decoded panel bitmaps by
// resource id and fonts by (size, style, orientation, name). Each has its
// own lock, so any thread may ask. Entries stay until the module unloads.
#include "graphics/EditorRecords.h"

class LICE_IBitmap;
class LICE_IFont;

// The decoded "PNG" resource `id`, loading it on first use; null (and
// remembered as such) when it is missing or cannot be decoded. With
// decode false a new entry is made empty.
LICE_IBitmap* CachedResourceBitmap(int id, bool decode = true);
// The same picture drawn at twice the size, "PNG" resource id +
// kDoubleSizeResourceOffset, with a density of 2 (so its size in drawing
// units is that of the picture `id`); null when the module has none.
constexpr int kDoubleSizeResourceOffset = 1000;
LICE_IBitmap* CachedDoubleSizeBitmap(int id);
// True once the id has an entry (loaded or not).
bool ResourceBitmapIsCached(int id);
// The pixel size a "PNG" resource declares in its header, without decoding
// it; false when there is no such resource or it does not start as a PNG.
bool ResourcePictureSize(int id, int* width, int* height);
// The font for a text style: height = size, weight 700 when bold, italic
// for the italic style, rotation = orientation.
LICE_IFont* CachedFontFor(const TextStyle& style);
// Frees every cached bitmap and font (module unload does it anyway; tests
// call it to leave the process clean). No editor may be drawing meanwhile.
void EmptyGraphicsCaches();
