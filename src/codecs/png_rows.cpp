// The plain C++ row conversions of every supported kind and the choice of row code.
#include "codecs/internal/png_rows.h"

#include <array>
#include <bit>
#include <cstring>

#include "codecs/png_chunks.h"

namespace pictavia {

namespace {

// Each byte-aligned kind puts one source pixel into its place in the pixel row, the alpha row and
// the low-byte row. Colour samples go through the gamma map G (skipped when it is the identity).

struct KindGray16 {
  static constexpr size_t Src = 2, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t* l, const uint8_t*) {
    p[0] = s[0];
    l[0] = s[1];
  }
};

struct KindRGB8 {
  static constexpr size_t Src = 3, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t*, const uint8_t* g) {
    p[0] = Map ? g[s[2]] : s[2];
    p[1] = Map ? g[s[1]] : s[1];
    p[2] = Map ? g[s[0]] : s[0];
  }
};

struct KindRGB16 {
  static constexpr size_t Src = 6, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t* l, const uint8_t* g) {
    p[0] = Map ? g[s[4]] : s[4];
    p[1] = Map ? g[s[2]] : s[2];
    p[2] = Map ? g[s[0]] : s[0];
    l[0] = Map ? g[s[5]] : s[5];
    l[1] = Map ? g[s[3]] : s[3];
    l[2] = Map ? g[s[1]] : s[1];
  }
};

struct KindGrayAlpha8 {
  static constexpr size_t Src = 2, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t*, const uint8_t*) {
    p[0] = s[0];
    a[0] = s[1];
  }
};

struct KindGrayAlpha16 {
  static constexpr size_t Src = 4, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t* l, const uint8_t*) {
    p[0] = s[0];
    l[0] = s[1];
    a[0] = s[2];
  }
};

struct KindRGBA8 {
  static constexpr size_t Src = 4, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t*, const uint8_t* g) {
    p[0] = Map ? g[s[2]] : s[2];
    p[1] = Map ? g[s[1]] : s[1];
    p[2] = Map ? g[s[0]] : s[0];
    a[0] = s[3];
  }
};

struct KindRGBA16 {
  static constexpr size_t Src = 8, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t* l, const uint8_t* g) {
    p[0] = Map ? g[s[4]] : s[4];
    p[1] = Map ? g[s[2]] : s[2];
    p[2] = Map ? g[s[0]] : s[0];
    l[0] = Map ? g[s[5]] : s[5];
    l[1] = Map ? g[s[3]] : s[3];
    l[2] = Map ? g[s[1]] : s[1];
    a[0] = s[6];
  }
};

template <class K, bool Map>
void ConvertAligned(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                    const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep == 1) {
    uint8_t* p = To.Pixels + XStart * K::Dst;
    uint8_t* a = To.Alpha ? To.Alpha + XStart : nullptr;
    uint8_t* l = To.Low ? To.Low + XStart * K::Dst : nullptr;
    for (size_t k = 0; k < Count; ++k) {
      K::template Put<Map>(Src, p, a, l, Gamma);
      Src += K::Src;
      p += K::Dst;
      if (a) ++a;
      if (l) l += K::Dst;
    }
    return;
  }
  for (size_t k = 0; k < Count; ++k) {
    const size_t x = XStart + k * XStep;
    K::template Put<Map>(Src + k * K::Src, To.Pixels + x * K::Dst,
                         To.Alpha ? To.Alpha + x : nullptr, To.Low ? To.Low + x * K::Dst : nullptr,
                         Gamma);
  }
}

// 8-bit RGBA without gamma, a whole row (the common clip-art case): four pixels at a time as
// words, colour bytes reversed into place and the four alphas gathered into one word.
void ConvertRGBA8Words(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1 || XStart != 0 || std::endian::native != std::endian::little) {
    ConvertAligned<KindRGBA8, false>(Src, Count, XStart, XStep, To, Gamma);
    return;
  }
  uint8_t* p = To.Pixels;
  uint8_t* a = To.Alpha;
  size_t k = 0;
  for (; k + 4 <= Count; k += 4, Src += 16, p += 12, a += 4) {
    uint32_t v[4];
    std::memcpy(v, Src, 16);
    // Bytes R, G, B, A of a pixel reversed are A, B, G, R; dropping A leaves B, G, R.
    const uint32_t c0 = __builtin_bswap32(v[0]) >> 8, c1 = __builtin_bswap32(v[1]) >> 8;
    const uint32_t c2 = __builtin_bswap32(v[2]) >> 8, c3 = __builtin_bswap32(v[3]) >> 8;
    const uint32_t out[3] = {c0 | (c1 << 24), (c1 >> 8) | (c2 << 16), (c2 >> 16) | (c3 << 8)};
    std::memcpy(p, out, 12);
    const uint32_t alpha =
        (v[0] >> 24) | ((v[1] >> 24) << 8) | ((v[2] >> 24) << 16) | ((v[3] >> 24) << 24);
    std::memcpy(a, &alpha, 4);
  }
  const TRowTarget rest{p, a, nullptr};
  ConvertAligned<KindRGBA8, false>(Src, Count - k, 0, 1, rest, Gamma);
}

// Palette and gray samples of 1, 2, 4 or 8 bits: stored as indices of 1, 4, 4 or 8 bits. A 2-bit
// palette index keeps its value; a 2-bit gray sample s becomes index 5 x s, whose entry in the
// 16-entry ramp is the gray the file means.
template <int Depth, bool Gray2>
void ConvertPacked(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                   const TRowTarget& To, const uint8_t*) {
  constexpr int OutBits = Depth == 2 ? 4 : Depth;
  constexpr unsigned Mask = (1u << Depth) - 1;
  uint8_t* out = To.Pixels;
  if (XStep == 1 && XStart == 0 && Depth != 2) {
    std::memcpy(out, Src, (Count * Depth + 7) / 8);
    return;
  }
  for (size_t k = 0; k < Count; ++k) {
    const size_t bit = k * Depth;
    unsigned v = (Src[bit >> 3] >> (8 - Depth - (bit & 7))) & Mask;
    if (Gray2) v *= 5;
    const size_t x = XStart + k * XStep;
    const size_t outBit = x * OutBits;
    // The rows start zeroed, so each index is OR-ed into its bit position.
    out[outBit >> 3] |= static_cast<uint8_t>(v << (8 - OutBits - (outBit & 7)));
  }
}

// Widening a whole row of 2-bit samples: one source byte (four samples) gives two bytes.
template <bool Gray2>
void ConvertTwoBitRow(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1 || XStart != 0) {
    ConvertPacked<2, Gray2>(Src, Count, XStart, XStep, To, Gamma);
    return;
  }
  static const auto table = [] {
    std::array<uint16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned out = 0;
      for (int k = 0; k < 4; ++k) {
        unsigned v = (b >> (6 - 2 * k)) & 3;
        if (Gray2) v *= 5;
        out |= v << (12 - 4 * k);
      }
      // Stored big-end first: high byte is the first two pixels.
      t[b] = static_cast<uint16_t>(out);
    }
    return t;
  }();
  const size_t full = Count / 4;
  uint8_t* out = To.Pixels;
  for (size_t i = 0; i < full; ++i) {
    const uint16_t w = table[Src[i]];
    out[2 * i] = static_cast<uint8_t>(w >> 8);
    out[2 * i + 1] = static_cast<uint8_t>(w);
  }
  // The last source byte may hold 1 to 3 pixels; its padding bits are not copied.
  const size_t rest = Count - full * 4;
  if (rest) {
    const uint16_t w = table[Src[full]];
    out[2 * full] = static_cast<uint8_t>((w >> 8) & (rest == 1 ? 0xF0 : 0xFF));
    if (rest == 3) out[2 * full + 1] = static_cast<uint8_t>(w & 0xF0);
  }
}

}  // namespace

void ConvertGray16Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma) {
  ConvertAligned<KindGray16, false>(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                          const TRowTarget& To, const uint8_t* Gamma) {
  ConvertAligned<KindRGB8, false>(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertGrayAlpha8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                                const TRowTarget& To, const uint8_t* Gamma) {
  ConvertAligned<KindGrayAlpha8, false>(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB16Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                           const TRowTarget& To, const uint8_t* Gamma) {
  ConvertAligned<KindRGB16, false>(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGBA8Reference(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                           const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGBA8Words(Src, Count, XStart, XStep, To, Gamma);
}

TConvertRowProc ConvertRowProcFor(uint8_t ColorType, uint8_t Depth, bool MapGamma,
                                  TRowImplementation Impl) {
  if (!RowImplementationAvailable(Impl, CpuFeatures())) return nullptr;
  const bool vector = Impl == riSSSE3;
  switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE: {
      const bool gray = ColorType == COLOR_GRAYSCALE;
      switch (Depth) {
        case 1:
          return ConvertPacked<1, false>;
        case 2:
          return gray ? ConvertTwoBitRow<true> : ConvertTwoBitRow<false>;
        case 4:
          return ConvertPacked<4, false>;
        case 8:
          return ConvertPacked<8, false>;
        case 16:
          return vector ? ConvertGray16SSSE3 : ConvertGray16Reference;
        default:
          return nullptr;
      }
    }
    case COLOR_RGB:
      if (Depth == 8) {
        if (MapGamma) return ConvertAligned<KindRGB8, true>;
        return vector ? ConvertRGB8SSSE3 : ConvertRGB8Reference;
      }
      if (Depth != 16) return nullptr;
      if (MapGamma) return ConvertAligned<KindRGB16, true>;
      return vector ? ConvertRGB16SSSE3 : ConvertRGB16Reference;
    case COLOR_GRAYSCALEALPHA:
      if (Depth == 8) return vector ? ConvertGrayAlpha8SSSE3 : ConvertGrayAlpha8Reference;
      if (Depth != 16) return nullptr;
      return ConvertAligned<KindGrayAlpha16, false>;
    case COLOR_RGBALPHA:
      if (Depth == 8) {
        if (MapGamma) return ConvertAligned<KindRGBA8, true>;
        return vector ? ConvertRGBA8SSSE3 : ConvertRGBA8Reference;
      }
      if (Depth != 16) return nullptr;
      if (MapGamma) return ConvertAligned<KindRGBA16, true>;
      return ConvertAligned<KindRGBA16, false>;
    default:
      return nullptr;
  }
}

TConvertRowProc ConvertRowProc(uint8_t ColorType, uint8_t Depth, bool MapGamma) {
  static const TRowImplementation chosen = ChooseRowImplementation(CpuFeatures(), ForcedSimd());
  return ConvertRowProcFor(ColorType, Depth, MapGamma, chosen);
}

}  // namespace pictavia
