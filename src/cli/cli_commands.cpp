// pictavia-cli: convert pictures to 32-bit BMP, draw a PNG with its transparency over a colour,
// and describe a picture file.
#include "cli/cli_commands.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
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

// A command's arguments: the switches it knows are set wherever they stand, anything else
// starting with "--" is a mistake, the rest are file names in their order.
std::vector<std::string> FilesAndSwitches(const std::vector<std::string>& a,
                                          const std::string& Command,
                                          const std::map<std::string, bool*>& Switches) {
  std::vector<std::string> files;
  for (const std::string& arg : a) {
    const auto known = Switches.find(arg);
    if (known != Switches.end())
      *known->second = true;
    else if (arg.rfind("--", 0) == 0)
      throw UsageError{Command + " does not know \"" + Printable(arg) + "\""};
    else
      files.push_back(arg);
  }
  return files;
}

// Only 32-bit BMP is written: a name that promises another format is a mistake of the command line.
void CheckOutputName(const std::string& Out) {
  const std::string ext = ForeignPictureExtension(Out);
  if (!ext.empty())
    throw UsageError{"\"" + Printable(Out) + "\" names a ." + Printable(ext) +
                     " picture, but the output is a 32-bit BMP: give OUT the extension .bmp"};
}

// The pixels as the file stores them, unless --auto-orient asks for a JPEG's tag to be followed.
int Convert(const std::vector<std::string>& a, std::ostream& out) {
  bool autoOrient = false;
  const std::vector<std::string> files =
      FilesAndSwitches(a, "convert", {{"--auto-orient", &autoOrient}});
  if (files.size() != 2) throw UsageError{"convert takes IN and OUT.bmp"};
  CheckOutputName(files[1]);
  CheckNotAnInput(files[1], {{"the input", files[0]}});
  TBitmap32 picture;
  LoadPicture(picture, files[0], autoOrient ? loUpright : loAsStored);
  SaveBitmapAtomically(picture, files[1]);
  out << "wrote " << Printable(files[1], 4096) << " (" << picture.Width() << " x "
      << picture.Height() << ", 32 bits per pixel)\n";
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
  const std::vector<std::string> files =
      FilesAndSwitches(a, "render", {{"--print-layers", &printLayers}});
  if (files.size() != 2)
    throw UsageError{"render takes SCENE.json (or PROJECT.pictavia) and OUT.bmp"};
  CheckOutputName(files[1]);
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
  SaveBitmapAtomically(*flat, files[1]);
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
         "  convert IN OUT.bmp [--auto-orient]\n"
         "                                     read any picture the editor reads, write a 32-bit "
         "BMP;\n"
         "                                     the pixels as stored, or with --auto-orient a JPEG\n"
         "                                     turned upright as its orientation tag says\n"
         "  png-draw IN.png OUT.bmp [--size WxH] [--background 0xAARRGGBB|#RRGGBB]\n"
         "                                     draw a PNG with its transparency over a colour\n"
         "  info IN                            format, size, and for PNG the chunks, colour type, "
         "depth\n"
         "  render SCENE.json OUT.bmp [--print-layers]\n"
         "                                     build a collage from a scene file (or an editor\n"
         "                                     project, PROJECT.pictavia) and save it as the\n"
         "                                     editor's Save does\n";
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
