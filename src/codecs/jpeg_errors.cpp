// The JPEG library's error manager (fatal errors come back to JpegRun, warnings are ignored)
// and the decompressor and compressor holders that always destroy what they created.
#include <csetjmp>
#include <cstring>
#include <exception>

#include "codecs/internal/jpeg_library.h"
#include "codecs/jpeg_image.h"

namespace pictavia {

namespace {

TJpegErrorManager& ManagerOf(j_common_ptr cinfo) {
  // pub is the first member, so the library's pointer is a pointer to the whole manager.
  return *reinterpret_cast<TJpegErrorManager*>(cinfo->err);
}

void ErrorExit(j_common_ptr cinfo) {
  TJpegErrorManager& err = ManagerOf(cinfo);
  err.code = err.pub.msg_code;
  (*err.pub.format_message)(cinfo, err.detail);
  std::longjmp(err.jump, 1);
}

// Warnings (level -1) are counted, trace messages dropped; nothing is ever printed.
void EmitMessage(j_common_ptr cinfo, int msg_level) {
  if (msg_level < 0) ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr /*cinfo*/) {}

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

}  // namespace

EJPEG::EJPEG(int Code, std::string Detail)
    : EInvalidGraphic(Format(SJPEGError, Code)), code_(Code), detail_(std::move(Detail)) {}

jpeg_error_mgr* JpegInitErrorManager(TJpegErrorManager& Err) {
  jpeg_std_error(&Err.pub);
  Err.pub.error_exit = ErrorExit;
  Err.pub.emit_message = EmitMessage;
  Err.pub.output_message = OutputMessage;
  Err.pub.reset_error_mgr = ResetErrorManager;
  Err.code = 0;
  Err.detail[0] = '\0';
  Err.pending = nullptr;
  return &Err.pub;
}

void JpegBail(j_common_ptr cinfo) {
  std::longjmp(ManagerOf(cinfo).jump, 1);
}

void JpegRaise(TJpegErrorManager& Err) {
  if (Err.pending) {
    std::exception_ptr pending = Err.pending;
    Err.pending = nullptr;
    std::rethrow_exception(pending);
  }
  throw EJPEG(Err.code, Err.detail);
}

TJpegDecompressor::TJpegDecompressor() {
  cinfo.err = JpegInitErrorManager(err);
  // Creation itself can fail (no memory) half-way; what it made is destroyed before raising.
  try {
    Run([this] { jpeg_create_decompress(&cinfo); });
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  cinfo.mem->max_memory_to_use = JpegMaxLibraryMemory;
}

TJpegDecompressor::~TJpegDecompressor() {
  jpeg_destroy_decompress(&cinfo);
}

TJpegCompressor::TJpegCompressor() {
  cinfo.err = JpegInitErrorManager(err);
  try {
    Run([this] { jpeg_create_compress(&cinfo); });
  } catch (...) {
    jpeg_destroy_compress(&cinfo);
    throw;
  }
  cinfo.mem->max_memory_to_use = JpegMaxLibraryMemory;
}

TJpegCompressor::~TJpegCompressor() {
  jpeg_destroy_compress(&cinfo);
}

}  // namespace pictavia
