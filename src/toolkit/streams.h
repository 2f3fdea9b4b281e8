// Byte streams: the abstract TStream, files and memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/object.h"

namespace pictavia {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  const char* ClassName() const override { return "TStream"; }
  // Reads up to Count bytes and returns how many were read (0 at the end).
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  // Writes up to Count bytes and returns how many were written.
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);
  // Bytes left between the position and the end.
  int64_t Remaining() { return Size() - Position(); }

  // Reads or writes exactly Count bytes, raising EReadError / EWriteError otherwise.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes (Count = 0: all of Source from its start) and returns the number copied.
  int64_t CopyFrom(TStream& Source, int64_t Count);

  // Little-endian helpers.
  uint8_t ReadU8();
  uint16_t ReadU16LE();
  uint32_t ReadU32LE();
  void WriteU8(uint8_t v) { WriteBuffer(&v, 1); }
  void WriteU16LE(uint16_t v);
  void WriteU32LE(uint32_t v);
};

enum TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// A file opened for reading or created for writing; raises EFOpenError / EFCreateError. Writing
// raises EWriteError naming the file and the system's reason. Bytes may wait in a buffer until
// Close, so a writer calls Close and only then counts the file as written; the destructor closes
// too but cannot report.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& FileName, TFileMode Mode);
  // Takes over Handle, a descriptor open for writing (and reading); FileName names it in messages.
  TFileStream(int Handle, const std::string& FileName);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const char* ClassName() const override { return "TFileStream"; }

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // Size is -1 when the file cannot seek (a pipe).
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return fileName_; }

  // Hands the buffered bytes to the system and waits until they are on the disk.
  void FlushToDisk();
  // Flushes and closes; any error so far is raised here.
  void Close();

 private:
  [[noreturn]] void FailWrite(int Error);

  std::string fileName_;
  std::FILE* file_ = nullptr;
};

// A growable block of memory used as a stream.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  const char* ClassName() const override { return "TMemoryStream"; }

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t NewSize) override;

  void Clear();
  // All of Stream from its start; a stream of unknown size is read from its position to its end.
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);

  uint8_t* Memory() { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A read-only stream over memory owned by someone else (fuzzers, embedded data).
class TReadOnlyMemoryStream : public TStream {
 public:
  TReadOnlyMemoryStream(const void* data, int64_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  const char* ClassName() const override { return "TReadOnlyMemoryStream"; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }

 private:
  const uint8_t* data_;
  int64_t size_;
  int64_t position_ = 0;
};

// Reads a whole file into memory, to its end also when its size is unknown (a pipe); raises
// EFOpenError when it cannot be opened.
std::vector<uint8_t> ReadWholeFile(const std::string& FileName);
// The bytes from Stream's position to its end, read until it gives no more.
std::vector<uint8_t> ReadToEnd(TStream& Stream);
// True when a regular file of that name exists.
bool FileExists(const std::string& FileName);
// The extension of a file name without the dot ("photo.JPG" -> "JPG"), or "".
std::string ExtractFileExt(const std::string& FileName);

}  // namespace pictavia
