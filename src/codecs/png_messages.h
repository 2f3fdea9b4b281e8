// The PNG picture's exception classes and the fixed messages they carry.
#pragma once

#include "toolkit/exceptions.h"

namespace pictavia {

PICTAVIA_DECLARE_EXCEPTION(EPNGOutMemory, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPngError, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPngUnexpectedEnd, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPngInvalidCRC, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPngInvalidIHDR, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGZLIBError, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGInvalidPalette, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGInvalidFileHeader, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGIHDRNotFirst, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGSizeExceeds, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGUnknownCompression, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGUnknownInterlace, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGNoImageData, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGHeaderNotPresent, Exception);
PICTAVIA_DECLARE_EXCEPTION(EPNGInvalidNewSize, Exception);

// The messages, word for word as the program has always shown them (typos included).
inline constexpr const char* SPNGInvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr const char* SPngUnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.";
inline constexpr const char* SPNGIHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)";
inline constexpr const char* SPNGUnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not "
    "be decoded.";
inline constexpr const char* SPngInvalidCRC =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
    "data (crc error)";
inline constexpr const char* SPngInvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
    "of data (ihdr) might be corrupted";
inline constexpr const char* SPNGSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr const char* SPNGUnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
    "could not be decoded.";
inline constexpr const char* SPNGUnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
    "decoded.";
inline constexpr const char* SPNGInvalidPalette =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* SPNGMissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* SPNGZLIBError =
    "Could not decompress the image because it contains invalid compressed data.\r\n"
    " Description: ";
inline constexpr const char* SPNGNoImageData =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* SPNGHeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* SPngErrorAssign = "The chunks must be compatible to be assigned.";
inline constexpr const char* SPngErrorPaletteEntry = "There is no such palette entry.";
inline constexpr const char* SPNGInvalidNewSize =
    "The new size provided for image resizing is invalid.";
inline constexpr const char* SPNGOutMemory =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";

// The text shown after " Description: " for a zlib result code (-6 .. 2).
const char* ZLibResultText(int Code);

}  // namespace pictavia
