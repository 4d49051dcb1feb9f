#pragma once
// The instrument as a host sees it, for the adapter's fuzz targets and their
// seeds: a Vornell behind its own effect record, driven only through the
// record's dispatcher. Two presets hold states and the others stay empty, so
// bank chunks stay small enough to fuzz quickly (the seeds are made the same way).
#include <cstdint>
#include <memory>

#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"

// programChunkHost: the host callback answers the vendor query as a host that
// only exchanges program chunks; otherwise there is no host callback at all.
std::unique_ptr<Vornell> MakeFuzzInstrument(bool programChunkHost);

// The effect record's dispatcher, as the host calls it.
intptr_t FuzzDispatch(Vornell& plug, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt = 0.0f);
