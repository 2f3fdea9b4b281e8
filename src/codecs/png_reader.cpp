// Reading a PNG file: the chunk loop of TPNGObject::LoadFromStream, and the image data's layout
// and the choice between decoding it whole or as a stream.
#include <cstring>
#include <vector>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/internal/png_idat.h"
#include "codecs/png_chunks.h"
#include "codecs/png_messages.h"
#include "codecs/png_object.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

bool IsIdentity(const uint8_t* Gamma) {
  for (int i = 0; i < 256; ++i)
    if (Gamma[i] != i) return false;
  return true;
}

}  // namespace

TIdatLayout IdatLayoutOf(const TChunkIHDR& Header, const uint8_t* Gamma) {
  const uint8_t colorType = Header.ColorType();
  const uint8_t depth = Header.BitDepth();
  const uint32_t width = Header.Width();
  const uint32_t height = Header.Height();
  TIdatLayout layout;
  layout.Offset = PngFilterOffset(colorType, depth);
  const bool mapGamma = !IsIdentity(Gamma);
  layout.Convert = ConvertRowProc(colorType, depth, mapGamma);
  layout.ConvertSpread = ConvertRowProcFor(colorType, depth, mapGamma, riReference);
  layout.Gamma = Gamma;

  auto add = [&](uint32_t RowStart, uint32_t ColStart, uint32_t RowStep, uint32_t ColStep) {
    if (width <= ColStart || height <= RowStart) return;
    TPngPass pass{RowStart, ColStart, RowStep, ColStep, 0, 0, 0};
    pass.Width = (width - ColStart + ColStep - 1) / ColStep;
    pass.Rows = (height - RowStart + RowStep - 1) / RowStep;
    pass.RowBytes = PngRowBytes(colorType, depth, pass.Width);
    if (pass.RowBytes == 0) return;
    layout.Passes.push_back(pass);
    layout.FilteredSize += uint64_t{pass.Rows} * (pass.RowBytes + 1);
  };
  if (Header.InterlaceMethod() == 0) {
    add(0, 0, 1, 1);
  } else {
    static constexpr uint32_t rowStart[7] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr uint32_t colStart[7] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr uint32_t rowStep[7] = {8, 8, 8, 4, 4, 2, 2};
    static constexpr uint32_t colStep[7] = {8, 8, 4, 4, 2, 2, 1};
    for (int pass = 0; pass < 7; ++pass)
      add(rowStart[pass], colStart[pass], rowStep[pass], colStep[pass]);
  }
  return layout;
}

// The image data: the run of IDAT chunks is decoded whole when it is sound, else as a stream,
// which raises what the damage deserves.
bool TChunkIDAT::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  TPNGObject& owner = *Owner();
  TChunkIHDR& header = owner.Header();
  const uint8_t colorType = header.ColorType();
  if (!header.PixelRows()) throw EPngInvalidIHDR(SPngInvalidIHDR);
  if (colorType == COLOR_PALETTE && !owner.ChunkList().ItemFromClass<TChunkPLTE>())
    throw EPNGInvalidPalette(SPNGInvalidPalette);
  // A gAMA chunk read after the header reaches gray images through their ramp.
  if (header.UsesColorTable() &&
      (colorType == COLOR_GRAYSCALE || colorType == COLOR_GRAYSCALEALPHA))
    header.SetGrayRamp(1 << header.BitsPerPixel());

  const TIdatLayout layout = IdatLayoutOf(header, owner.GammaMap().data());
  if (!layout.Convert || !layout.ConvertSpread) throw EPngInvalidIHDR(SPngInvalidIHDR);
  const int64_t start = Stream.Position();
  if (!DecodeIdatWhole(Stream, Type, Length, layout, header)) {
    Stream.Seek(start, soBeginning);
    DecodeIdatStreaming(Stream, Type, Length, layout, header);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// The chunk loop

void TPNGObject::LoadFromStream(TStream& Stream) {
  Clear();
  uint8_t signature[8];
  if (Stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    throw EPNGInvalidFileHeader(SPNGInvalidFileHeader);

  static const TChunkName IHDR = ChunkNameOf("IHDR");
  static const TChunkName IDAT = ChunkNameOf("IDAT");
  static const TChunkName IEND = ChunkNameOf("IEND");
  static const TChunkName cHRM = ChunkNameOf("cHRM");

  chunkList_.SetCount(10);
  int n = 0;
  bool hasImageData = false;
  for (;;) {
    ++n;
    if (n > chunkList_.Count()) chunkList_.SetCount(chunkList_.Count() + 10);

    uint8_t head[8];
    const int64_t gotLength = Stream.Read(head, 4);
    if (gotLength != 4) {
      chunkList_.SetCount(n - 1);
      throw EPngUnexpectedEnd(SPngUnexpectedEnd);
    }
    if (Stream.Read(head + 4, 4) != 4) {
      chunkList_.SetCount(n - 1);
      throw EPngUnexpectedEnd(SPngUnexpectedEnd);
    }
    const uint32_t length = ReadBigEndian32(head);
    TChunkName type;
    std::memcpy(type.data(), head + 4, 4);

    if (n == 1 && type != IHDR) {
      chunkList_.SetCount(n - 1);
      throw EPNGIHDRNotFirst(SPNGIHDRNotFirst);
    }
    // Chromaticities are never kept; image data after the decoded run is dropped.
    if ((hasImageData && type == IDAT) || type == cHRM) {
      --n;
      Stream.Seek(static_cast<int64_t>(length) + 4, soCurrent);
      continue;
    }

    std::unique_ptr<TChunk> created = CreateChunk(this, type);
    TChunk* chunk = created.get();
    const bool generic = std::strcmp(chunk->ClassName(), "TChunk") == 0;
    chunkList_.SetItem(n - 1, std::move(created));
    if (generic && !(static_cast<uint8_t>(type[0]) & 0x20)) {
      chunkList_.SetCount(n);
      throw EPNGUnknownCriticalChunk(SPNGUnknownCriticalChunk);
    }

    bool ok = false;
    try {
      ok = chunk->LoadFromStream(Stream, type, length);
    } catch (...) {
      chunkList_.SetCount(n);
      throw;
    }
    if (type == IDAT) hasImageData = true;
    if (!ok || type == IEND) break;
  }
  chunkList_.SetCount(n);
  if (!hasImageData) throw EPNGNoImageData(SPNGNoImageData);
  Changed();
}

}  // namespace pictavia
