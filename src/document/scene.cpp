// Reading and checking scene files.
#include "document/scene.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <set>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

#include "document/internal/json_keys.h"
#include "document/message_text.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

// The longest text the editor's text box takes, and a font name longer than any font has.
constexpr qsizetype kMaxText = 32767;
constexpr qsizetype kMaxFontName = 255;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ESceneError(where + ": " + what);
}

// Line and column (from 1) of a byte offset.
std::string LineAndColumn(const std::string& Text, size_t Offset) {
  int line = 1, column = 1;
  for (size_t i = 0; i < Offset && i < Text.size(); ++i) {
    if (Text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(Text[i]) & 0xC0) != 0x80) {
      ++column;  // characters, not the bytes of one
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string Text(const QString& s) {
  return s.toStdString();
}

void CheckKeys(const QJsonObject& o, const std::string& where, const std::set<std::string>& allowed,
               const std::string& owner) {
  for (auto it = o.begin(); it != o.end(); ++it) {
    const std::string key = Text(it.key());
    if (!allowed.count(key)) Fail(where + "." + Printable(key), "not a field of " + owner);
  }
}

int WholeNumber(const QJsonValue& v, const std::string& where, int lo, int hi) {
  const double d = v.toDouble(std::nan(""));
  if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d) || d < lo || d > hi)
    Fail(where, "must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return static_cast<int>(d);
}

bool Flag(const QJsonValue& v, const std::string& where) {
  if (!v.isBool()) Fail(where, "must be true or false");
  return v.toBool();
}

TColor32 Colour(const QJsonValue& v, const std::string& where) {
  if (v.isDouble()) {
    const double d = v.toDouble();
    if (d >= 0 && d <= 4294967295.0 && d == std::floor(d)) return static_cast<TColor32>(d);
  } else if (v.isString()) {
    if (auto c = ParseSceneColor(Text(v.toString()))) return *c;
  }
  Fail(where, "must be a colour, \"#RRGGBB\" or \"0xAARRGGBB\"");
}

std::vector<float> Numbers(const QJsonValue& v, const std::string& where, size_t count) {
  const QJsonArray a = v.toArray();
  std::vector<float> out;
  if (v.isArray() && static_cast<size_t>(a.size()) == count) {
    for (const QJsonValue& n : a) {
      if (!n.isDouble() || !std::isfinite(n.toDouble())) break;
      out.push_back(static_cast<float>(n.toDouble()));
    }
  }
  if (out.size() != count) Fail(where, "must be a list of " + std::to_string(count) + " numbers");
  return out;
}

// An existing file, relative names taken from the scene's folder.
std::string ExistingFile(const QJsonValue& v, const std::string& where, const std::string& folder) {
  if (!v.isString() || v.toString().isEmpty()) Fail(where, "must be a file name");
  // The system would take the name only up to a NUL: another file than the one written.
  if (v.toString().contains(QChar(u'\0'))) Fail(where, "must not contain a NUL character");
  fs::path p(Text(v.toString()));
  if (p.is_relative()) p = fs::path(folder) / p;
  p = p.lexically_normal();
  std::error_code ec;
  if (fs::exists(p, ec) && !FileExists(p.string()))
    throw EMissingPicture(where + ": \"" + Printable(p.string()) + "\" is not a regular file");
  if (!FileExists(p.string()))
    throw EMissingPicture(where + ": no such file \"" + Printable(p.string()) + "\"");
  return p.string();
}

// A mask: a number n for "<maskFolder>/<n>.jpg" (Number becomes n), or a picture file.
std::string MaskFile(const QJsonValue& m, const std::string& where, const std::string& folder,
                     const std::string& maskFolder, int& Number) {
  if (!m.isDouble()) return ExistingFile(m, where, folder);
  const int n = WholeNumber(m, where, 1, 1515);
  const fs::path p = fs::path(maskFolder) / (std::to_string(n) + ".jpg");
  if (!FileExists(p.string()))
    throw EMissingPicture(where + ": no mask number " + std::to_string(n) + " in \"" +
                          Printable(maskFolder) + "\"");
  Number = n;
  return p.string();
}

// "rotate", "flip-horizontal", "flip-vertical", "remove-mask" or {"mask": n or "file"}.
std::vector<TSceneEdit> ParseEdits(const QJsonValue& v, const std::string& where,
                                   const std::string& folder, const std::string& maskFolder) {
  if (!v.isArray()) Fail(where, "must be a list of edits");
  const QJsonArray list = v.toArray();
  // A list longer than any editing session could make is a damaged file, not work to do.
  if (list.size() > 100000) Fail(where, "must hold at most 100000 edits");
  std::vector<TSceneEdit> edits;
  for (int i = 0; i < list.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    const QJsonValue e = list[i];
    TSceneEdit edit;
    if (e.isObject()) {
      const QJsonObject o = e.toObject();
      CheckKeys(o, at, {"mask"}, "a mask edit");
      if (!o.contains("mask")) Fail(at + ".mask", "missing");
      edit.Kind = peMask;
      edit.MaskFile = MaskFile(o["mask"], at + ".mask", folder, maskFolder, edit.MaskNumber);
    } else {
      const std::string name = Text(e.toString());
      if (e.isString() && name == "rotate")
        edit.Kind = peRotate;
      else if (e.isString() && name == "flip-horizontal")
        edit.Kind = peFlipHorizontal;
      else if (e.isString() && name == "flip-vertical")
        edit.Kind = peFlipVertical;
      else if (e.isString() && name == "remove-mask")
        edit.Kind = peRemoveMask;
      else
        Fail(at,
             "must be \"rotate\", \"flip-horizontal\", \"flip-vertical\", \"remove-mask\" "
             "or {\"mask\": ...}");
    }
    edits.push_back(std::move(edit));
  }
  return edits;
}

TSceneObjectKind Kind(const QJsonValue& v, const std::string& where) {
  const std::string k = Text(v.toString());
  if (v.isString()) {
    if (k == "photo") return skPhoto;
    if (k == "clip") return skClip;
    if (k == "bar") return skBar;
    if (k == "text") return skText;
  }
  Fail(where,
       "must be photo, clip, bar or text" + (v.isString() ? ", not \"" + Printable(k) + "\"" : ""));
}

const char* KindName(TSceneObjectKind k) {
  switch (k) {
    case skPhoto:
      return "a photo";
    case skClip:
      return "a clip";
    case skBar:
      return "a bar";
    default:
      return "a text";
  }
}

TSceneFont ParseFont(const QJsonValue& v, const std::string& where) {
  if (!v.isObject())
    Fail(where, "must be an object with name, size, bold, italic, underline, strikeout");
  const QJsonObject o = v.toObject();
  CheckKeys(o, where, {"name", "size", "bold", "italic", "underline", "strikeout"}, "a font");
  TSceneFont f;
  if (o.contains("name")) {
    if (!o["name"].isString() || o["name"].toString().isEmpty())
      Fail(where + ".name", "must be a font name");
    if (o["name"].toString().size() > kMaxFontName)
      Fail(where + ".name",
           "must be a font name of at most " + std::to_string(kMaxFontName) + " characters");
    f.Name = Text(o["name"].toString());
  }
  if (o.contains("size")) f.Size = WholeNumber(o["size"], where + ".size", 1, 500);
  if (o.contains("bold")) f.Bold = Flag(o["bold"], where + ".bold");
  if (o.contains("italic")) f.Italic = Flag(o["italic"], where + ".italic");
  if (o.contains("underline")) f.Underline = Flag(o["underline"], where + ".underline");
  if (o.contains("strikeout")) f.StrikeOut = Flag(o["strikeout"], where + ".strikeout");
  return f;
}

TSceneObject ParseObject(const QJsonValue& v, const std::string& where, const std::string& folder,
                         const std::string& maskFolder, bool project) {
  if (!v.isObject()) Fail(where, "must be an object");
  const QJsonObject o = v.toObject();
  if (!o.contains("kind")) Fail(where + ".kind", "missing");
  TSceneObject obj;
  obj.Kind = Kind(o["kind"], where + ".kind");
  // Each kind takes what the editor offers for it: clips are only placed; texts turn and flip;
  // photos and bars also take opacity and masks.
  std::set<std::string> keys = {"kind", "location", "center"};
  if (obj.Kind != skClip) keys.insert({"rotate", "flip"});
  if (obj.Kind == skPhoto || obj.Kind == skBar) keys.insert({"opacity", "mask"});
  if (obj.Kind == skPhoto || obj.Kind == skClip) keys.insert("file");
  if (obj.Kind == skBar) keys.insert("color");
  if (obj.Kind == skText) keys.insert({"text", "font", "text_color"});
  // A project keeps all an object is: its edits in their order, and the opacity of every kind.
  if (project) keys.insert({"edits", "opacity"});
  CheckKeys(o, where, keys, KindName(obj.Kind));

  if (obj.Kind == skPhoto || obj.Kind == skClip) {
    if (!o.contains("file")) Fail(where + ".file", "missing");
    obj.File = ExistingFile(o["file"], where + ".file", folder);
  }
  if (o.contains("location") && o.contains("center"))
    Fail(where, "give either location or center, not both");
  if (o.contains("location")) {
    const auto n = Numbers(o["location"], where + ".location", 4);
    if (n[2] < n[0] || n[3] < n[1])
      Fail(where + ".location", "right and bottom must not be left of or above left and top");
    obj.Location = FloatRect(n[0], n[1], n[2], n[3]);
  }
  if (o.contains("center")) {
    const auto n = Numbers(o["center"], where + ".center", 2);
    if (n[0] != std::floor(n[0]) || n[1] != std::floor(n[1]) || std::fabs(n[0]) > 1e6f ||
        std::fabs(n[1]) > 1e6f)
      Fail(where + ".center", "must be two whole numbers (canvas pixels)");
    obj.Center = TFloatPoint{n[0], n[1]};
  }
  if (o.contains("opacity")) obj.Opacity = WholeNumber(o["opacity"], where + ".opacity", 0, 255);
  if (o.contains("rotate")) obj.QuarterTurns = WholeNumber(o["rotate"], where + ".rotate", 0, 3);
  if (o.contains("flip")) {
    const std::string f = Text(o["flip"].toString());
    if (f == "horizontal" || f == "both") obj.FlipHorizontal = true;
    if (f == "vertical" || f == "both") obj.FlipVertical = true;
    if (!o["flip"].isString() || !(obj.FlipHorizontal || obj.FlipVertical))
      Fail(where + ".flip", "must be \"horizontal\", \"vertical\" or \"both\"");
  }
  if (o.contains("mask"))
    obj.MaskFile = MaskFile(o["mask"], where + ".mask", folder, maskFolder, obj.MaskNumber);
  if (o.contains("edits")) {
    if (o.contains("rotate") || o.contains("flip") || o.contains("mask"))
      Fail(where, "give either edits or rotate, flip and mask, not both");
    obj.Edits = ParseEdits(o["edits"], where + ".edits", folder, maskFolder);
  }
  if (o.contains("color")) obj.Color = Colour(o["color"], where + ".color");
  if (o.contains("text")) {
    if (!o["text"].isString() || o["text"].toString().isEmpty())
      Fail(where + ".text", "must be a non-empty text");
    // Measuring and drawing a text takes time with its length: no more than the text box holds.
    if (o["text"].toString().size() > kMaxText)
      Fail(where + ".text", "must be a text of 1 to " + std::to_string(kMaxText) + " characters");
    obj.Text = Text(o["text"].toString());
  }
  if (o.contains("font")) obj.Font = ParseFont(o["font"], where + ".font");
  if (o.contains("text_color")) obj.TextColor = Colour(o["text_color"], where + ".text_color");
  return obj;
}

}  // namespace

std::optional<TColor32> ParseSceneColor(const std::string& Text) {
  std::string digits;
  bool opaque = false;
  if (Text.size() == 7 && Text[0] == '#') {
    digits = Text.substr(1);
    opaque = true;
  } else if (Text.size() == 10 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    digits = Text.substr(2);
  } else {
    return std::nullopt;
  }
  for (char c : digits)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const TColor32 v = static_cast<TColor32>(std::stoul(digits, nullptr, 16));
  return opaque ? (v | 0xFF000000u) : v;
}

TScene ParseScene(const std::string& Json, const std::string& SceneFolder,
                  const std::string& MaskFolder, TMissingPictures Missing) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(Json), &error);
  if (error.error != QJsonParseError::NoError)
    Fail("scene", "not valid JSON at " + LineAndColumn(Json, static_cast<size_t>(error.offset)) +
                      ": " + Text(error.errorString()));
  if (!doc.isObject()) Fail("scene", "must be an object with canvas and objects");
  if (const auto repeated = FirstRepeatedKey(Json))
    Fail(Printable(*repeated), "given more than once");
  const QJsonObject root = doc.object();
  CheckKeys(root, "scene", {"pictavia", "canvas", "objects"}, "a scene");

  TScene scene;
  if (root.contains("pictavia"))
    scene.Version = WholeNumber(root["pictavia"], "pictavia", ProjectVersion, ProjectVersion);
  const bool project = scene.Version > 0;
  // Whatever is left out, the rest must be right: only missing pictures are forgiven.
  auto leaveOut = [&](const EMissingPicture& e) {
    if (Missing == mpFail) throw e;
    scene.LeftOut.push_back(e.Message());
  };
  if (!root.contains("canvas")) Fail("canvas", "missing");
  if (!root["canvas"].isObject()) Fail("canvas", "must be an object with width and height");
  const QJsonObject canvas = root["canvas"].toObject();
  CheckKeys(canvas, "canvas", {"width", "height", "color", "background"}, "the canvas");
  if (!canvas.contains("width")) Fail("canvas.width", "missing");
  if (!canvas.contains("height")) Fail("canvas.height", "missing");
  scene.Width = WholeNumber(canvas["width"], "canvas.width", 1, 3000);
  scene.Height = WholeNumber(canvas["height"], "canvas.height", 1, 3000);
  if (canvas.contains("color") && canvas.contains("background"))
    Fail("canvas", "give either color or background, not both");
  if (canvas.contains("color")) scene.Color = Colour(canvas["color"], "canvas.color");
  if (canvas.contains("background")) {
    try {
      scene.Background = ExistingFile(canvas["background"], "canvas.background", SceneFolder);
    } catch (const EMissingPicture& e) {
      leaveOut(e);
    }
  }

  if (root.contains("objects")) {
    if (!root["objects"].isArray()) Fail("objects", "must be a list");
    const QJsonArray objects = root["objects"].toArray();
    for (int i = 0; i < objects.size(); ++i) {
      try {
        scene.Objects.push_back(ParseObject(objects[i], "objects[" + std::to_string(i) + "]",
                                            SceneFolder, MaskFolder, project));
        scene.Objects.back().Index = i;
      } catch (const EMissingPicture& e) {
        leaveOut(e);
      }
    }
  }
  return scene;
}

TScene LoadScene(const std::string& FileName, const std::string& MaskFolder,
                 TMissingPictures Missing) {
  std::vector<uint8_t> bytes;
  try {
    // A FIFO or a device would be read for ever, a folder not at all.
    std::error_code ec;
    if (std::filesystem::exists(FileName, ec) && !FileExists(FileName))
      throw Exception("not a regular file");
    bytes = ReadWholeFile(FileName);
  } catch (const Exception& e) {
    throw ESceneError(FileName + ": cannot read the scene: " + e.Message());
  }
  const fs::path folder = fs::absolute(fs::path(FileName)).parent_path();
  try {
    return ParseScene(std::string(bytes.begin(), bytes.end()), folder.string(), MaskFolder,
                      Missing);
  } catch (const ESceneError& e) {
    throw ESceneError(FileName + ": " + e.Message());
  }
}

}  // namespace pictavia
