// The object roots of the toolkit: TObject with its class name, TPersistent with assignment and
// the declaration of extra stored properties, and the notify-event type.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pictavia {

class TStream;

class TObject {
 public:
  virtual ~TObject() = default;
  // The class name as the program's classes spell it ("TBitmap32", "TNearestResampler").
  virtual const char* ClassName() const { return "TObject"; }
};

// An event that carries only its sender. Events are raised only when assigned.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Receives the extra stored properties of an object (binary data such as a bitmap's pixels).
class TFiler {
 public:
  using TStreamProc = std::function<void(TStream& Stream)>;
  struct BinaryProperty {
    std::string Name;
    TStreamProc ReadData;
    TStreamProc WriteData;
    bool HasData = false;
  };

  // The object the stored form is compared against, or null.
  explicit TFiler(const class TPersistent* ancestor = nullptr) : Ancestor(ancestor) {}
  const class TPersistent* Ancestor;

  void DefineBinaryProperty(const std::string& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) {
    Properties.push_back({name, std::move(readData), std::move(writeData), hasData});
  }
  const BinaryProperty* Find(const std::string& name) const {
    for (const auto& p : Properties)
      if (p.Name == name) return &p;
    return nullptr;
  }
  std::vector<BinaryProperty> Properties;
};

class TPersistent : public TObject {
 public:
  const char* ClassName() const override { return "TPersistent"; }
  // Copies Source into this object; the default asks Source to assign itself to this object.
  virtual void Assign(const TPersistent* Source);
  virtual void DefineProperties(TFiler& /*Filer*/) {}
  // Copies this object into Dest; the default reports that the assignment is not possible.
  virtual void AssignTo(TPersistent* Dest) const;
  // Raises EConvertError "Cannot assign a <source class> to a <dest class>".
  void AssignError(const TPersistent* Source) const;
};

}  // namespace pictavia
