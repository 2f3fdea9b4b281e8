// Unfiltered PNG rows converted into the picture's image memory: the plain C++ conversion of
// every supported kind, SSSE3 versions of the common 8-bit kinds, 16-bit gray and 16-bit RGB
// without a gamma map, and the choice of code for a picture.
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "png_rows.h is private to the codecs library and its tests"
#endif

#include <cstddef>
#include <cstdint>

#include "raster/cpu_features.h"

namespace pictavia {

// Where a decoded row goes: pixel row, alpha row and low-byte row of one image row (null where
// the picture has no such plane).
struct TRowTarget {
  uint8_t* Pixels;
  uint8_t* Alpha;
  uint8_t* Low;
};

// Converts Count pixels of Src (the file's samples, filter undone) into columns XStart,
// XStart + XStep, ... of the target; colour samples go through Gamma where the kind maps them.
// Packed kinds OR their indices into rows that start zeroed.
using TConvertRowProc = void (*)(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                                 const TRowTarget& To, const uint8_t* Gamma);

// The code for a colour type and bit depth (MapGamma: the gamma map is not the identity), or
// null for a kind without a conversion or an implementation this processor cannot run.
TConvertRowProc ConvertRowProcFor(uint8_t ColorType, uint8_t Depth, bool MapGamma,
                                  TRowImplementation Impl);

// Through the row implementation chosen on first use from the processor and PICTAVIA_SIMD.
TConvertRowProc ConvertRowProc(uint8_t ColorType, uint8_t Depth, bool MapGamma);

// The plain C++ conversions the SSSE3 ones stand in for (identity gamma); the vector code hands
// them spread columns and the last pixels of a row. Gray16 and GrayAlpha8 share their vector code:
// both split the even bytes from the odd ones.
void ConvertGray16Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma);
void ConvertGrayAlpha8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                                const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGB8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                          const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGB16Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                           const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGBA8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                           const TRowTarget& To, const uint8_t* Gamma);

// The same kinds with SSSE3 byte shuffles, equal byte for byte; x86 only, and only on a processor
// with SSSE3.
void ConvertGray16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                        const TRowTarget& To, const uint8_t* Gamma);
void ConvertGrayAlpha8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGB8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGB16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma);
void ConvertRGBA8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma);

}  // namespace pictavia
