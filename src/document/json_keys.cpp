// A scan over valid JSON text that tracks the keys of every open object.
#include "document/internal/json_keys.h"

#include <set>
#include <vector>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

namespace pictavia {

namespace {

struct TOpenValue {
  bool IsObject = false;
  std::string Path;
  std::set<std::string> Keys;  // objects: the keys so far
  std::string LastKey;         // objects: the key whose value comes next
  bool ExpectKey = true;       // objects: the next string is a key
  int Index = 0;               // arrays: the element's index
};

// A string token with its quotes, decoded by the same reader that reads the scene, so that
// "a" and "\u0061" are one key.
std::string DecodeString(const std::string& Token) {
  const QByteArray array = QByteArray("[") + QByteArray::fromStdString(Token) + "]";
  return QJsonDocument::fromJson(array).array().at(0).toString().toStdString();
}

std::string Join(const std::string& Path, const std::string& Key) {
  return Path.empty() ? Key : Path + "." + Key;
}

// Where a value that starts now sits.
std::string ChildPath(const std::vector<TOpenValue>& Open) {
  if (Open.empty()) return "";
  const TOpenValue& parent = Open.back();
  if (parent.IsObject) return Join(parent.Path, parent.LastKey);
  return parent.Path + "[" + std::to_string(parent.Index) + "]";
}

}  // namespace

std::optional<std::string> FirstRepeatedKey(const std::string& Json) {
  std::vector<TOpenValue> open;
  for (size_t i = 0; i < Json.size(); ++i) {
    const char c = Json[i];
    switch (c) {
      case '{':
      case '[': {
        TOpenValue value;
        value.IsObject = c == '{';
        value.Path = ChildPath(open);
        open.push_back(std::move(value));
        break;
      }
      case '}':
      case ']':
        if (!open.empty()) open.pop_back();
        break;
      case ',':
        if (!open.empty()) {
          if (open.back().IsObject)
            open.back().ExpectKey = true;
          else
            ++open.back().Index;
        }
        break;
      case ':':
        if (!open.empty()) open.back().ExpectKey = false;
        break;
      case '"': {
        const size_t start = i;
        for (++i; i < Json.size() && Json[i] != '"'; ++i)
          if (Json[i] == '\\') ++i;
        if (open.empty() || !open.back().IsObject || !open.back().ExpectKey) break;
        TOpenValue& object = open.back();
        object.LastKey = DecodeString(Json.substr(start, i - start + 1));
        if (!object.Keys.insert(object.LastKey).second) return Join(object.Path, object.LastKey);
        break;
      }
      default:
        break;  // blanks, numbers, true, false, null
    }
  }
  return std::nullopt;
}

}  // namespace pictavia
