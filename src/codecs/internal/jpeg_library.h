// Our side of the JPEG library's hooks: the error manager, the memory source and destination,
// and the guard that turns the library's fatal errors into C++ exceptions. Internal to codecs.
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "jpeg_library.h is private to the codecs library and its tests"
#endif

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

#include <jpeglib.h>

namespace pictavia {

class TMemoryStream;

// The library reports a fatal error by calling error_exit, which must not return. Throwing a
// C++ exception from there would unwind through the library's C frames, which is only defined
// when the library was built with unwind tables and never keeps state that needs cleaning up on
// the way out; we do not rely on that. Instead error_exit longjmps back to JpegRun below, which
// is the only frame between our C++ code and the library: the frames it skips are the
// library's own (plain C) and our callbacks, which keep no C++ objects alive at that point.
// JpegRun then raises the exception from ordinary C++ code.
struct TJpegErrorManager {
  jpeg_error_mgr pub;  // first member: the library only sees this part
  std::jmp_buf jump;
  int code = 0;  // message code of the last fatal error
  char detail[JMSG_LENGTH_MAX] = {};
  // An exception one of our callbacks caught (a progress handler's EAbort, a failed write); it
  // is raised again instead of EJPEG.
  std::exception_ptr pending;
};

// Installs the error manager in the library's common fields (call before jpeg_create_*).
jpeg_error_mgr* JpegInitErrorManager(TJpegErrorManager& Err);
// Leaves the library from one of our callbacks: back to the JpegRun in progress.
[[noreturn]] void JpegBail(j_common_ptr cinfo);
// Raises what made JpegRun come back: the pending exception, or EJPEG with the message code.
[[noreturn]] void JpegRaise(TJpegErrorManager& Err);

// Runs Call, which enters the library. Call must keep no C++ objects with destructors alive
// while it is inside the library (capture by reference, call C functions).
template <class F>
void JpegRun(TJpegErrorManager& Err, F&& Call) {
  if (setjmp(Err.jump) == 0) {
    Call();
    return;
  }
  JpegRaise(Err);
}

// Reads Size bytes at Bytes (which must outlive the decompression) without copying them.
// Running dry at the very start is the library's empty-input error; later, an end-of-image
// marker is supplied so that a truncated file decodes with its missing part filled in.
struct TJpegMemorySource {
  jpeg_source_mgr pub;  // first member
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  bool started = false;
};
void JpegAttachSource(j_decompress_ptr cinfo, TJpegMemorySource& Source, const uint8_t* Bytes,
                      size_t Size);

// Writes the compressed bytes into Stream through a 4096-byte buffer; a failed write is the
// library's file-write error.
struct TJpegStreamDestination {
  jpeg_destination_mgr pub;  // first member
  TMemoryStream* stream = nullptr;
  JOCTET buffer[4096];
};
void JpegAttachDestination(j_compress_ptr cinfo, TJpegStreamDestination& Destination,
                           TMemoryStream& Stream);

// The most memory the library may take for its whole-image buffers (progressive files,
// two-pass colour quantisation); beyond it the library fails cleanly instead of asking the
// system for more. Ample for the largest picture the toolkit bitmap accepts.
inline constexpr long JpegMaxLibraryMemory = 2000L * 1024 * 1024;

// A decompressor that is always destroyed, with its error manager and source.
class TJpegDecompressor {
 public:
  // Creates the decompressor; a failure raises EJPEG.
  TJpegDecompressor();
  ~TJpegDecompressor();
  TJpegDecompressor(const TJpegDecompressor&) = delete;
  TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

  template <class F>
  void Run(F&& Call) {
    JpegRun(err, static_cast<F&&>(Call));
  }

  jpeg_decompress_struct cinfo{};
  TJpegErrorManager err;
  TJpegMemorySource source;
};

class TJpegCompressor {
 public:
  TJpegCompressor();
  ~TJpegCompressor();
  TJpegCompressor(const TJpegCompressor&) = delete;
  TJpegCompressor& operator=(const TJpegCompressor&) = delete;

  template <class F>
  void Run(F&& Call) {
    JpegRun(err, static_cast<F&&>(Call));
  }

  jpeg_compress_struct cinfo{};
  TJpegErrorManager err;
  TJpegStreamDestination destination;
};

}  // namespace pictavia
