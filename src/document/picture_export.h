// Writing a finished picture in the format its file name asks for: a 32-bit BMP as the editor's
// Save writes it, an opaque PNG through our own PNG writer, or a JPEG through the JPEG picture's
// compressor. Files are written through output_file.h, so a failure leaves no partial file.
#pragma once

#include <string>

namespace pictavia {

class TBitmap32;
class TOffscreenImage;
class TStream;

enum TExportFormat { efUnknown, efBmp, efPng, efJpeg };

inline constexpr int DefaultJpegQuality = 90;
inline constexpr int LowestJpegQuality = 1;
inline constexpr int HighestJpegQuality = 100;

// By the extension in any letter case: .bmp, .png, .jpg and .jpeg; any other extension, or
// none, is efUnknown.
TExportFormat ExportFormatOf(const std::string& FileName);

// 8-bit RGB without alpha (a flattened collage is opaque): the red, green and blue bytes equal
// those the BMP Save writes. Raises EInvalidGraphic for an empty picture.
void WritePngPicture(const TBitmap32& Picture, TStream& Stream);
// Baseline (not progressive), YCbCr with chroma halved both ways, at Quality 1..100. Raises
// EInvalidGraphic for an empty picture, EInvalidOperation for a quality out of range.
void WriteJpegPicture(const TBitmap32& Picture, int Quality, TStream& Stream);

// Writes the picture as FileName in Format (Quality matters for JPEG only), through a temporary
// file renamed over FileName. Everything is checked before a file is made: the errors of the
// writers above, and EInvalidOperation for efUnknown. Write failures raise as
// WriteFileAtomically's do.
void ExportPicture(const TBitmap32& Picture, const std::string& FileName, TExportFormat Format,
                   int Quality = DefaultJpegQuality);
// The same with the format FileName's extension names; any other name raises
// EInvalidOperation naming the extensions that are written.
void ExportPicture(const TBitmap32& Picture, const std::string& FileName,
                   int Quality = DefaultJpegQuality);

// The editor's Export: the composition flattened as for Save (FlattenComposition), then
// ExportPicture with the format FileName names.
void ExportComposition(TOffscreenImage& Image, const std::string& FileName,
                       int Quality = DefaultJpegQuality);

}  // namespace pictavia
