// Writing and reading project files.
#include "document/project_file.h"

#include <cstdio>
#include <filesystem>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "document/message_text.h"
#include "document/output_file.h"
#include "document/scene.h"
#include "document/scene_document.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QString ColourText(TColor32 c) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
  return QString::fromLatin1(text);
}

// Relative to Folder when the file lies below it, else absolute.
QString PathText(const std::string& File, const fs::path& Folder) {
  const fs::path file = fs::absolute(fs::path(File)).lexically_normal();
  const fs::path relative = file.lexically_relative(Folder);
  if (!relative.empty() && *relative.begin() != "..") return Q(relative.string());
  return Q(file.string());
}

const char* KindText(TObjectKind Kind) {
  switch (Kind) {
    case okPhoto:
      return "photo";
    case okClip:
      return "clip";
    case okBar:
      return "bar";
    default:
      return "text";
  }
}

QJsonValue EditJson(const TPixelEdit& E, const fs::path& Folder, const std::string& Where) {
  switch (E.Kind) {
    case peRotate:
      return QStringLiteral("rotate");
    case peFlipHorizontal:
      return QStringLiteral("flip-horizontal");
    case peFlipVertical:
      return QStringLiteral("flip-vertical");
    case peRemoveMask:
      return QStringLiteral("remove-mask");
    case peMask:
      break;
  }
  QJsonObject mask;
  if (E.Mask.Number > 0) {
    mask["mask"] = E.Mask.Number;
  } else if (!E.Mask.File.empty()) {
    mask["mask"] = PathText(E.Mask.File, Folder);
  } else {
    throw Exception(Where +
                    ": the mask was drawn by the program, not read from a file, and "
                    "cannot be saved in a project");
  }
  return mask;
}

QJsonObject ObjectJson(const TDocObject& O, const fs::path& Folder, const std::string& Where) {
  QJsonObject o;
  o["kind"] = KindText(O.Kind);
  if (O.Kind == okPhoto || O.Kind == okClip) o["file"] = PathText(O.File, Folder);
  const TFloatRect& l = O.Location;
  o["location"] = QJsonArray{double(l.Left), double(l.Top), double(l.Right), double(l.Bottom)};
  o["opacity"] = static_cast<int>(O.Opacity);
  if (O.Kind == okBar) o["color"] = ColourText(O.BarColor);
  if (O.Kind == okText) {
    o["text"] = Q(O.Text);
    QJsonObject font;
    font["name"] = Q(O.Font.Name);
    font["size"] = O.Font.Size;
    font["bold"] = (O.Font.Style & fsBold) != 0;
    font["italic"] = (O.Font.Style & fsItalic) != 0;
    font["underline"] = (O.Font.Style & fsUnderline) != 0;
    font["strikeout"] = (O.Font.Style & fsStrikeOut) != 0;
    o["font"] = font;
    o["text_color"] = ColourText(O.TextColor);
  }
  QJsonArray edits;
  for (const TPixelEdit& e : O.Edits) edits.append(EditJson(e, Folder, Where));
  o["edits"] = edits;
  return o;
}

}  // namespace

std::string ProjectJson(const TDocument& Doc, const std::string& ProjectFolder) {
  const fs::path folder = fs::absolute(fs::path(ProjectFolder)).lexically_normal();
  QJsonObject root;
  root["pictavia"] = ProjectVersion;
  QJsonObject canvas;
  canvas["width"] = Doc.Canvas.Width;
  canvas["height"] = Doc.Canvas.Height;
  if (Doc.Canvas.Background)
    canvas["background"] = PathText(Doc.Canvas.BackgroundFile, folder);
  else
    canvas["color"] = ColourText(Doc.Canvas.Color);
  root["canvas"] = canvas;
  QJsonArray objects;
  for (size_t i = 0; i < Doc.Objects.size(); ++i)
    objects.append(ObjectJson(*Doc.Objects[i], folder, "objects[" + std::to_string(i) + "]"));
  root["objects"] = objects;
  return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

void SaveProject(const TDocument& Doc, const std::string& FileName) {
  const std::string text =
      ProjectJson(Doc, fs::absolute(fs::path(FileName)).parent_path().string());
  WriteFileAtomically(FileName, [&](TStream& Out) {
    Out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  });
}

TOpenedProject OpenProject(const std::string& FileName, TPictureStore& Store,
                           const std::string& MaskFolder) {
  TOpenedProject opened;
  const TScene scene = LoadScene(FileName, MaskFolder, mpLeaveOut);
  opened.LeftOut = scene.LeftOut;
  opened.Document = BuildDocument(scene, Store, mpLeaveOut, &opened.LeftOut);
  return opened;
}

std::string LeftOutMessage(const std::string& FileName, const std::vector<std::string>& LeftOut) {
  std::string message = "Some parts of \"" + Printable(FileName, 1000) +
                        "\" could not be opened and were left out:\n";
  for (const std::string& line : LeftOut) message += "\n" + Printable(line, 1000);
  return message;
}

}  // namespace pictavia
