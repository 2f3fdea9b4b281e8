// The JPEG library's input from bytes in memory: no copying, and an end-of-image marker
// supplied when the bytes run out so that truncated files still decode.
#include <jerror.h>

#include "codecs/internal/jpeg_library.h"

namespace pictavia {

namespace {

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

TJpegMemorySource& SourceOf(j_decompress_ptr cinfo) {
  return *reinterpret_cast<TJpegMemorySource*>(cinfo->src);
}

void InitSource(j_decompress_ptr /*cinfo*/) {}

// The whole block is handed over at once: the bytes already sit in memory, so a staging buffer
// would only copy them.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
  TJpegMemorySource& src = SourceOf(cinfo);
  if (!src.started) {
    src.started = true;
    if (src.size == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    src.pub.next_input_byte = src.bytes;
    src.pub.bytes_in_buffer = src.size;
    return TRUE;
  }
  WARNMS(cinfo, JWRN_JPEG_EOF);
  src.pub.next_input_byte = kEndOfImage;
  src.pub.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long num_bytes) {
  if (num_bytes <= 0) return;
  jpeg_source_mgr& pub = SourceOf(cinfo).pub;
  // Refill until the skip fits. Once the real bytes are gone the refill is the end marker,
  // which a skip past the end must not eat into.
  while (static_cast<size_t>(num_bytes) > pub.bytes_in_buffer) {
    num_bytes -= static_cast<long>(pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
    if (pub.next_input_byte == kEndOfImage) return;
  }
  pub.next_input_byte += num_bytes;
  pub.bytes_in_buffer -= static_cast<size_t>(num_bytes);
}

void TermSource(j_decompress_ptr /*cinfo*/) {}

}  // namespace

void JpegAttachSource(j_decompress_ptr cinfo, TJpegMemorySource& Source, const uint8_t* Bytes,
                      size_t Size) {
  Source.bytes = Bytes;
  Source.size = Size;
  Source.started = false;
  Source.pub.init_source = InitSource;
  Source.pub.fill_input_buffer = FillInputBuffer;
  Source.pub.skip_input_data = SkipInputData;
  Source.pub.resync_to_restart = jpeg_resync_to_restart;
  Source.pub.term_source = TermSource;
  Source.pub.next_input_byte = nullptr;
  Source.pub.bytes_in_buffer = 0;
  cinfo->src = &Source.pub;
}

}  // namespace pictavia
