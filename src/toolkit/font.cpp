// Font descriptions and their Qt fonts.
#include "toolkit/font.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QString>

#include "toolkit/ascii_case.h"

namespace pictavia {

std::string ResolveFontFamily(const std::string& name) {
  const std::string n = LowerCase(name);
  if (n == "default" || n == "ms sans serif" || n == "ms shell dlg" || n == "ms shell dlg 2" ||
      n == "tahoma" || n == "system")
    return "DejaVu Sans";
  if (n == "arial" || n == "helvetica") return "Liberation Sans";
  if (n == "times new roman" || n == "times") return "Liberation Serif";
  if (n == "courier new" || n == "courier") return "Liberation Mono";
  return name;
}

TFont::TFont() = default;

void TFont::Assign(const TPersistent* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    name_ = f->name_;
    size_ = f->size_;
    pixelHeight_ = f->pixelHeight_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    orientation_ = f->orientation_;
    pitch_ = f->pitch_;
    quality_ = f->quality_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& v) {
  if (v.empty() || v == name_) return;
  name_ = v;
  Changed();
}

void TFont::SetSize(int v) {
  if (v == size_ && pixelHeight_ == 0) return;
  size_ = v;
  pixelHeight_ = 0;
  Changed();
}

void TFont::SetPixelHeight(int v) {
  v = std::max(v, 0);
  if (v == pixelHeight_) return;
  pixelHeight_ = v;
  Changed();
}

int TFont::Height() const {
  if (pixelHeight_ > 0) return -pixelHeight_;
  // Points to pixels at 96 dpi, rounded half away from zero like the platform's MulDiv.
  const double px = static_cast<double>(size_) * kScreenDpi / 72.0;
  return -static_cast<int>(std::lround(px));
}

void TFont::SetHeight(int v) {
  const double pt = static_cast<double>(-v) * 72.0 / kScreenDpi;
  SetSize(static_cast<int>(std::lround(pt)));
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetCharset(uint8_t v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetOrientation(int v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetQuality(TFontQuality v) {
  if (v == quality_) return;
  quality_ = v;
  Changed();
}

QFont TFont::ToQFont() const {
  QFont f(QString::fromStdString(ResolveFontFamily(name_)));
  const int px = std::abs(Height());
  f.setPixelSize(std::max(1, px));
  f.setBold((style_ & fsBold) != 0);
  f.setItalic((style_ & fsItalic) != 0);
  f.setUnderline((style_ & fsUnderline) != 0);
  f.setStrikeOut((style_ & fsStrikeOut) != 0);
  if (pitch_ == fpFixed) f.setFixedPitch(true);
  // Grey-level coverage only: colour fringes would break the coverage-as-alpha text path.
  int strategy = QFont::NoSubpixelAntialias;
  if (quality_ == fqNonAntialiased) strategy |= QFont::NoAntialias;
  if (quality_ == fqAntialiased) strategy |= QFont::PreferAntialias;
  f.setStyleStrategy(static_cast<QFont::StyleStrategy>(strategy));
  return f;
}

}  // namespace pictavia
