// pictavia-cli: convert pictures to BMP, PNG or JPEG, draw a PNG with its transparency over a
// colour, describe a picture file, and render scenes.
#include "cli/cli_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "cli/internal/layer_listing.h"
#include "cli/internal/output_checks.h"
#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_chunks.h"
#include "codecs/png_object.h"
#include "document/composition.h"
#include "document/document_layers.h"
#include "document/message_text.h"
#include "document/output_file.h"
#include "document/picture_export.h"
#include "document/picture_loading.h"
#include "document/picture_store.h"
#include "document/program_folder.h"
#include "document/scene.h"
#include "document/scene_document.h"
#include "layers/offscreen_image.h"
#include "raster/bitmap32.h"
#include "toolkit/ascii_case.h"
#include "toolkit/exceptions.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// A command-line mistake: reported with the usage text and exit status 2.
struct UsageError {
  std::string Message;
};

// "640x480" -> (640, 480); both at least 1.
void ParseSize(const std::string& text, int& w, int& h) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos)
    throw UsageError{"--size wants WIDTHxHEIGHT, not \"" + Printable(text) + "\""};
  char* end = nullptr;
  const long pw = std::strtol(text.c_str(), &end, 10);
  const bool wOk = end == text.c_str() + x;
  const long ph = std::strtol(text.c_str() + x + 1, &end, 10);
  const bool hOk = *end == '\0' && end != text.c_str() + x + 1;
  if (!wOk || !hOk || pw < 1 || ph < 1 || pw > 30000 || ph > 30000)
    throw UsageError{"--size wants WIDTHxHEIGHT between 1 and 30000, not \"" + Printable(text) +
                     "\""};
  w = static_cast<int>(pw);
  h = static_cast<int>(ph);
}

// "0xAARRGGBB" or "#RRGGBB" (opaque).
TColor32 ParseColour(const std::string& text) {
  std::string digits;
  bool opaque = false;
  if (text.size() == 7 && text[0] == '#') {
    digits = text.substr(1);
    opaque = true;
  } else if (text.size() == 10 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) {
    digits = text.substr(2);
  }
  for (char c : digits)
    if (!std::isxdigit(static_cast<unsigned char>(c))) digits.clear();
  if (digits.empty())
    throw UsageError{"a colour is 0xAARRGGBB or #RRGGBB, not \"" + Printable(text) + "\""};
  const TColor32 v = static_cast<TColor32>(std::stoul(digits, nullptr, 16));
  return opaque ? (v | 0xFF000000u) : v;
}

using TOptionValues = std::map<std::string, std::optional<std::string>*>;

// A command's arguments: the switches it knows are set wherever they stand, as are the options
// that take the argument after them (once each); anything else starting with "--" is a mistake,
// the rest are file names in their order.
std::vector<std::string> FilesAndSwitches(const std::vector<std::string>& a,
                                          const std::string& Command,
                                          const std::map<std::string, bool*>& Switches,
                                          const TOptionValues& Options = {}) {
  std::vector<std::string> files;
  for (size_t i = 0; i < a.size(); ++i) {
    const std::string& arg = a[i];
    const auto known = Switches.find(arg);
    const auto option = Options.find(arg);
    if (known != Switches.end()) {
      *known->second = true;
    } else if (option != Options.end()) {
      if (i + 1 == a.size()) throw UsageError{arg + " wants a value after it"};
      if (*option->second) throw UsageError{Command + " takes " + arg + " once"};
      *option->second = a[++i];
    } else if (arg.rfind("--", 0) == 0)
      throw UsageError{Command + " does not know \"" + Printable(arg) + "\""};
    else
      files.push_back(arg);
  }
  return files;
}

// What OUT of convert and render is written as: PNG or JPEG when its extension says so, else a
// 32-bit BMP. A name that promises a format that is not written is a mistake of the command line.
TExportFormat OutputFormat(const std::string& Out) {
  const TExportFormat format = ExportFormatOf(Out);
  if (format != efUnknown) return format;
  const std::string ext = ForeignPictureExtension(Out);
  if (!ext.empty())
    throw UsageError{"\"" + Printable(Out) + "\" names a ." + Printable(ext) +
                     " picture, but the output is a 32-bit BMP, PNG or JPEG: give OUT the "
                     "extension .bmp, .png, .jpg or .jpeg"};
  return efBmp;
}

// --quality N: a whole number from 1 to 100, and only for a JPEG.
int ParseQuality(const std::optional<std::string>& Text, TExportFormat Format) {
  if (!Text) return DefaultJpegQuality;
  const std::string& text = *Text;
  const bool digits =
      !text.empty() && text.size() <= 3 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  const int quality = digits ? std::stoi(text) : 0;
  if (quality < LowestJpegQuality || quality > HighestJpegQuality)
    throw UsageError{"--quality wants a whole number from 1 to 100, not \"" + Printable(text) +
                     "\""};
  if (Format != efJpeg) throw UsageError{"--quality is for a JPEG output (.jpg or .jpeg)"};
  return quality;
}

// How convert describes what it wrote.
std::string FormatNote(TExportFormat Format, int Quality) {
  switch (Format) {
    case efPng:
      return "24-bit PNG";
    case efJpeg:
      return "JPEG, quality " + std::to_string(Quality);
    default:
      return "32 bits per pixel";
  }
}

// png-draw writes 32-bit BMP only: a name that promises another format is a mistake of the command
// line.
void CheckOutputName(const std::string& Out) {
  const std::string ext = ForeignPictureExtension(Out);
  if (!ext.empty())
    throw UsageError{"\"" + Printable(Out) + "\" names a ." + Printable(ext) +
                     " picture, but the output is a 32-bit BMP: give OUT the extension .bmp"};
}

// The pixels as the file stores them, unless --auto-orient asks for a JPEG's tag to be followed.
int Convert(const std::vector<std::string>& a, std::ostream& out) {
  bool autoOrient = false;
  std::optional<std::string> qualityText;
  const std::vector<std::string> files = FilesAndSwitches(
      a, "convert", {{"--auto-orient", &autoOrient}}, {{"--quality", &qualityText}});
  if (files.size() != 2) throw UsageError{"convert takes IN and OUT.bmp"};
  const TExportFormat format = OutputFormat(files[1]);
  const int quality = ParseQuality(qualityText, format);
  CheckNotAnInput(files[1], {{"the input", files[0]}});
  TBitmap32 picture;
  LoadPicture(picture, files[0], autoOrient ? loUpright : loAsStored);
  ExportPicture(picture, files[1], format, quality);
  out << "wrote " << Printable(files[1], 4096) << " (" << picture.Width() << " x "
      << picture.Height() << ", " << FormatNote(format, quality) << ")\n";
  return 0;
}

int PngDraw(const std::vector<std::string>& a, std::ostream& out) {
  if (a.size() < 2) throw UsageError{"png-draw takes IN.png and OUT.bmp"};
  std::string size, background = "0x00000000";
  for (size_t i = 2; i < a.size(); ++i) {
    if (a[i] == "--size" && i + 1 < a.size()) {
      size = a[++i];
    } else if (a[i] == "--background" && i + 1 < a.size()) {
      background = a[++i];
    } else {
      throw UsageError{"png-draw does not know \"" + Printable(a[i]) + "\""};
    }
  }
  // Every argument is checked before any file is read.
  const TColor32 colour = ParseColour(background);
  int w = 0, h = 0;
  if (!size.empty()) ParseSize(size, w, h);
  CheckOutputName(a[1]);
  CheckNotAnInput(a[1], {{"the input", a[0]}});
  TPNGObject png;
  png.LoadFromFile(a[0]);
  if (size.empty()) {
    w = png.PictureWidth();
    h = png.PictureHeight();
  }
  TBitmap32 target;
  target.SetSize(w, h);
  target.Clear(colour);
  png.DrawInto(target.Canvas(), Rect(0, 0, w, h));
  SaveBitmapAtomically(target, a[1]);
  out << "wrote " << Printable(a[1], 4096) << " (" << w << " x " << h << ")\n";
  return 0;
}

const char* ColorTypeName(int type) {
  switch (type) {
    case 0:
      return "greyscale";
    case 2:
      return "RGB";
    case 3:
      return "palette";
    case 4:
      return "greyscale + alpha";
    case 6:
      return "RGB + alpha";
    default:
      return "unknown";
  }
}

// The lines are collected first: a file that fails half-way prints only the error.
int Info(const std::vector<std::string>& a, std::ostream& finalOut) {
  if (a.size() != 1) throw UsageError{"info takes one file"};
  std::ostringstream out;
  const std::string& file = a[0];
  const std::string ext = ExtractFileExt(file);
  const TPictureFormat* format = TPictureFormats::Instance().Find(ext);
  if (!format) throw EInvalidGraphic(Format(SUnknownExtension, ext.c_str()));
  out << "file:   " << Printable(file, 4096) << "\n";
  out << "format: " << format->Description << " (" << format->ClassName << ")\n";
  if (SameText(ext, "png")) {
    TPNGObject png;
    png.LoadFromFile(file);
    const TChunkIHDR& h = png.Header();
    out << "size:   " << png.PictureWidth() << " x " << png.PictureHeight() << "\n";
    out << "colour: " << ColorTypeName(h.ColorType()) << " (colour type " << int(h.ColorType())
        << "), " << int(h.BitDepth()) << " bits per sample"
        << (h.InterlaceMethod() ? ", interlaced (Adam7)" : "") << "\n";
    out << "chunks:";
    for (int i = 0; i < png.ChunkList().Count(); ++i)
      out << " " << ChunkNameText(png.ChunkList().Item(i)->ChunkType());
    out << "\n";
  } else {
    TPicture picture;
    picture.LoadFromFile(file);
    out << "size:   " << picture.Width() << " x " << picture.Height() << "\n";
  }
  finalOut << out.str();
  return 0;
}

int Render(const std::vector<std::string>& a, std::ostream& out) {
  bool printLayers = false;
  std::optional<std::string> qualityText;
  const std::vector<std::string> files = FilesAndSwitches(
      a, "render", {{"--print-layers", &printLayers}}, {{"--quality", &qualityText}});
  if (files.size() != 2)
    throw UsageError{"render takes SCENE.json (or PROJECT.pictavia) and OUT.bmp"};
  const TExportFormat format = OutputFormat(files[1]);
  const int quality = ParseQuality(qualityText, format);
  const TScene scene = LoadScene(files[0], ProgramFolder() + "Masks");
  CheckNotAnInput(files[1], SceneInputs(files[0], scene));
  TPictureStore store;
  TOffscreenImage image;
  TDocumentLayers layers(image.Layers(), image.Bitmap());
  try {
    layers.Update(BuildDocument(scene, store));
  } catch (const ESceneError& e) {
    throw ESceneError(files[0] + ": " + e.Message());
  } catch (const EObjectPixelsError& e) {
    const TSceneObject& o = scene.Objects.at(static_cast<size_t>(e.Index()));
    const std::string where = files[0] + ": objects[" + std::to_string(o.Index) + "]";
    // A text gets no bitmap when it is too large: the text and its font size are what to change.
    if (o.Kind == skText)
      throw ESceneError(where + ".text: too large to draw at this font size (" + e.Message() + ")");
    throw ESceneError(where + ": " + e.Message());
  }
  // Flattened as the editor's Save does, then written beside the target and renamed; like every
  // command, it prints only once it has succeeded.
  const std::unique_ptr<TBitmap32> flat = FlattenComposition(image);
  ExportPicture(*flat, files[1], format, quality);
  if (printLayers) out << DescribeLayers(image);
  out << "wrote " << Printable(files[1], 4096) << " (" << flat->Width() << " x " << flat->Height()
      << ")\n";
  return 0;
}

// Long enough for any message built from cut values and file names.
constexpr size_t kMessageLimit = 16384;

}  // namespace

std::string CliUsage() {
  return "usage: pictavia-cli COMMAND ...\n"
         "  convert IN OUT [--auto-orient] [--quality N]\n"
         "                                     read any picture the editor reads, write it as "
         "OUT;\n"
         "                                     the pixels as stored, or with --auto-orient a JPEG\n"
         "                                     turned upright as its orientation tag says\n"
         "  png-draw IN.png OUT.bmp [--size WxH] [--background 0xAARRGGBB|#RRGGBB]\n"
         "                                     draw a PNG with its transparency over a colour\n"
         "  info IN                            format, size, and for PNG the chunks, colour type, "
         "depth\n"
         "  render SCENE.json OUT [--print-layers] [--quality N]\n"
         "                                     build a collage from a scene file (or an editor\n"
         "                                     project, PROJECT.pictavia) and save it as the\n"
         "                                     editor's Save does, or export it as PNG or JPEG\n"
         "OUT's extension, in any letter case, chooses what convert and render write: .png an\n"
         "opaque 24-bit PNG, .jpg or .jpeg a JPEG of quality N (1 to 100, 90 when not given),\n"
         "anything else a 32-bit BMP (but not another picture format's extension, such as .gif).\n";
}

int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  RegisterCodecPictureFormats();
  static const std::map<std::string,
                        std::function<int(const std::vector<std::string>&, std::ostream&)>>
      commands = {{"convert", Convert}, {"png-draw", PngDraw}, {"info", Info}, {"render", Render}};
  if (Args.empty() || Args[0] == "--help" || Args[0] == "-h") {
    (Args.empty() ? Err : Out) << CliUsage();
    return Args.empty() ? 2 : 0;
  }
  const auto it = commands.find(Args[0]);
  if (it == commands.end()) {
    Err << "pictavia-cli: unknown command \"" << Printable(Args[0]) << "\"\n" << CliUsage();
    return 2;
  }
  try {
    return it->second(std::vector<std::string>(Args.begin() + 1, Args.end()), Out);
  } catch (const UsageError& e) {
    Err << "pictavia-cli: " << Printable(e.Message, kMessageLimit) << "\n" << CliUsage();
    return 2;
  } catch (const std::exception& e) {
    // Messages carry names from outside: shown only as printable text, whatever made them.
    Err << "pictavia-cli: " << Printable(e.what(), kMessageLimit) << "\n";
    return 1;
  }
}

}  // namespace pictavia
