// Byte streams over files and memory.
#include "toolkit/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "toolkit/exceptions.h"

namespace pictavia {

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t /*NewSize*/) {}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  const int64_t total = Count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(Count, 1 << 16)));
  while (Count > 0) {
    const int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(buffer.size()));
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    Count -= n;
  }
  return total;
}

uint8_t TStream::ReadU8() {
  uint8_t v;
  ReadBuffer(&v, 1);
  return v;
}

uint16_t TStream::ReadU16LE() {
  uint8_t b[2];
  ReadBuffer(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadU32LE() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void TStream::WriteU16LE(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  WriteBuffer(b, 2);
}

void TStream::WriteU32LE(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  WriteBuffer(b, 4);
}

// ---------------------------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : fileName_(FileName) {
  const char* mode = "rb";
  switch (Mode) {
    case fmOpenRead:
      mode = "rb";
      break;
    case fmOpenWrite:
    case fmOpenReadWrite:
      mode = "r+b";
      break;
    case fmCreate:
      mode = "w+b";
      break;
  }
  std::error_code ec;
  if (Mode != fmCreate && std::filesystem::is_directory(FileName, ec)) {
    throw EFOpenError(Format(SFOpenErrorEx, FileName.c_str(), std::strerror(EISDIR)));
  }
  file_ = std::fopen(FileName.c_str(), mode);
  if (!file_) {
    const char* reason = std::strerror(errno);
    if (Mode == fmCreate) throw EFCreateError(Format(SFCreateErrorEx, FileName.c_str(), reason));
    throw EFOpenError(Format(SFOpenErrorEx, FileName.c_str(), reason));
  }
}

TFileStream::TFileStream(int Handle, const std::string& FileName) : fileName_(FileName) {
  file_ = ::fdopen(Handle, "w+b");
  if (!file_) {
    const int error = errno;
    ::close(Handle);
    throw EFCreateError(Format(SFCreateErrorEx, FileName.c_str(), std::strerror(error)));
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::FailWrite(int Error) {
  throw EWriteError(Format(SFWriteErrorEx, fileName_.c_str(), std::strerror(Error ? Error : EIO)));
}

void TFileStream::FlushToDisk() {
  if (std::fflush(file_) != 0 || ::fsync(fileno(file_)) != 0) FailWrite(errno);
}

void TFileStream::Close() {
  if (!file_) return;
  std::FILE* file = file_;
  file_ = nullptr;
  // fclose also writes what is still buffered: its result is the last word on the file.
  if (std::fclose(file) != 0) FailWrite(errno);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  return static_cast<int64_t>(std::fread(Buffer, 1, static_cast<size_t>(Count), file_));
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const size_t n = std::fwrite(Buffer, 1, static_cast<size_t>(Count), file_);
  if (n != static_cast<size_t>(Count)) FailWrite(errno);
  return Count;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (fseeko(file_, static_cast<off_t>(Offset), whence) != 0) return ftello(file_);
  return ftello(file_);
}

void TFileStream::SetSize(int64_t NewSize) {
  if (std::fflush(file_) != 0) FailWrite(errno);
  if (ftruncate(fileno(file_), static_cast<off_t>(NewSize)) != 0) FailWrite(errno);
}

// ---------------------------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || position_ >= Size()) return 0;
  const int64_t n = std::min(Count, Size() - position_);
  std::memcpy(Buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const int64_t end = position_ + Count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? position_ : Size();
  position_ = std::max<int64_t>(0, base + Offset);
  return position_;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
  if (position_ > Size()) position_ = Size();
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const int64_t n = Stream.Size();
  if (n < 0) {
    data_ = ReadToEnd(Stream);
    position_ = 0;
    return;
  }
  data_.resize(static_cast<size_t>(n));
  if (n > 0) Stream.ReadBuffer(data_.data(), n);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead);
  LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& Stream) {
  if (!data_.empty()) Stream.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f);
  f.Close();
}

// ---------------------------------------------------------------------------------------------

int64_t TReadOnlyMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  const int64_t n = std::min(Count, size_ - position_);
  std::memcpy(Buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TReadOnlyMemoryStream::Write(const void*, int64_t) {
  return 0;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? position_ : size_;
  position_ = std::max<int64_t>(0, base + Offset);
  return position_;
}

// ---------------------------------------------------------------------------------------------

std::vector<uint8_t> ReadWholeFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead);
  return ReadToEnd(f);
}

std::vector<uint8_t> ReadToEnd(TStream& Stream) {
  // The size, when known, only sizes the first block: the end is where reading stops.
  const int64_t expected = std::max<int64_t>(0, Stream.Size() - Stream.Position());
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(expected, 1) + 1));
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    const int64_t n = Stream.Read(bytes.data() + used, static_cast<int64_t>(bytes.size() - used));
    if (n <= 0) break;
    used += static_cast<size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

bool FileExists(const std::string& FileName) {
  std::error_code ec;
  return std::filesystem::is_regular_file(FileName, ec);
}

std::string ExtractFileExt(const std::string& FileName) {
  const auto slash = FileName.find_last_of('/');
  const auto dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return FileName.substr(dot + 1);
}

}  // namespace pictavia
