// Decoded rows of blue, green, red bytes expanded into 32-bit pixels: the plain C++ reference, the
// SSSE3 version, and the one this process uses.
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "bgr_rows.h is private to the codecs library and its tests"
#endif

#include <cstdint>

#include "raster/cpu_features.h"

namespace pictavia {

// Count pixels of In (three bytes each, blue first) into Out as 0xAARRGGBB with Fourth (0 or
// 0xFF000000) as the AA byte. Count 0 or less writes nothing.
using TExpandBgrRowProc = void (*)(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth);

void ExpandBgrRowReference(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth);
// Equal to the reference byte for byte; x86 only, and only on a processor with SSSE3.
void ExpandBgrRowSSSE3(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth);

// The implementation's code, or null when this build or processor cannot run it.
TExpandBgrRowProc ExpandBgrRowProcFor(TRowImplementation Impl);

// Through the row implementation chosen on first use from the processor and PICTAVIA_SIMD.
void ExpandBgrRow(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth);

}  // namespace pictavia
