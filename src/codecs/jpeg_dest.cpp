// The JPEG library's output into a memory stream through a 4096-byte buffer.
#include <jerror.h>

#include "codecs/internal/jpeg_library.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

TJpegStreamDestination& DestinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<TJpegStreamDestination*>(cinfo->dest);
}

// Writes Count buffered bytes. The stream may throw (no memory); that must not travel through
// the library, so it becomes a false result and the caller raises the library's write error.
bool WriteBuffered(TJpegStreamDestination& dest, size_t Count) noexcept {
  try {
    return dest.stream->Write(dest.buffer, static_cast<int64_t>(Count)) ==
           static_cast<int64_t>(Count);
  } catch (...) {
    return false;
  }
}

void InitDestination(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = sizeof dest.buffer;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  if (!WriteBuffered(dest, sizeof dest.buffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = sizeof dest.buffer;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  const size_t count = sizeof dest.buffer - dest.pub.free_in_buffer;
  if (count > 0 && !WriteBuffered(dest, count)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

}  // namespace

void JpegAttachDestination(j_compress_ptr cinfo, TJpegStreamDestination& Destination,
                           TMemoryStream& Stream) {
  Destination.stream = &Stream;
  Destination.pub.init_destination = InitDestination;
  Destination.pub.empty_output_buffer = EmptyOutputBuffer;
  Destination.pub.term_destination = TermDestination;
  cinfo->dest = &Destination.pub;
}

}  // namespace pictavia
