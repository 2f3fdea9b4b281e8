// The exception root of the whole program and the toolkit's own exception classes.
#pragma once

#include <exception>
#include <string>

namespace pictavia {

// Root of every exception the program raises; carries one fixed message.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  virtual const char* ClassName() const { return "Exception"; }

 private:
  std::string message_;
};

// Declares an exception class deriving from Base that reports its own class name.
#define PICTAVIA_DECLARE_EXCEPTION(Name, Base)               \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

// A silent exception: it ends an operation without any message being shown.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
  const char* ClassName() const override { return "EAbort"; }
};

PICTAVIA_DECLARE_EXCEPTION(EStreamError, Exception);
PICTAVIA_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
PICTAVIA_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
PICTAVIA_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
PICTAVIA_DECLARE_EXCEPTION(EReadError, EStreamError);
PICTAVIA_DECLARE_EXCEPTION(EWriteError, EStreamError);
PICTAVIA_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
PICTAVIA_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
PICTAVIA_DECLARE_EXCEPTION(EOutOfResources, Exception);
PICTAVIA_DECLARE_EXCEPTION(EOutOfMemory, Exception);
PICTAVIA_DECLARE_EXCEPTION(EListError, Exception);
PICTAVIA_DECLARE_EXCEPTION(EConvertError, Exception);
PICTAVIA_DECLARE_EXCEPTION(EInvalidOperation, Exception);

// printf-style formatting into a std::string, for messages with arguments.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Standard toolkit messages.
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SFOpenErrorEx = "Cannot open file \"%s\". %s";
inline constexpr const char* SFCreateErrorEx = "Cannot create file \"%s\". %s";
inline constexpr const char* SFWriteErrorEx = "Cannot write file \"%s\". %s";
inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* SInvalidImage = "Invalid image";
inline constexpr const char* SOutOfResources = "Out of system resources";
inline constexpr const char* SOutOfMemory = "Out of memory";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";

}  // namespace pictavia
