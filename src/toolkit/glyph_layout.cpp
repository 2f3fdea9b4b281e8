// Glyphs from Qt's text layout, drawn as glyph runs through the same painter set-up as
// TCanvas::TextRect (a translation to whole pixels, the glyphs' own positions), which is what
// keeps a part of the line pixel for pixel equal to the same part of the whole line.
#include "toolkit/glyph_layout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

namespace pictavia {

struct TGlyphLayout::TFaces {
  std::vector<QRawFont> Fonts;
  // Control-point bounds of each glyph's outline: the outline, and so its ink, lies inside.
  std::map<std::pair<int, uint32_t>, QRectF> Bounds;

  int IndexOf(const QRawFont& Font) {
    for (size_t i = 0; i < Fonts.size(); ++i)
      if (Fonts[i] == Font) return static_cast<int>(i);
    Fonts.push_back(Font);
    return static_cast<int>(Fonts.size()) - 1;
  }

  const QRectF& OutlineBounds(int Face, uint32_t Glyph) {
    const auto key = std::make_pair(Face, Glyph);
    auto it = Bounds.find(key);
    if (it == Bounds.end())
      it = Bounds.emplace(key, Fonts[Face].pathForGlyph(Glyph).controlPointRect()).first;
    return it->second;
  }
};

namespace {

bool HasControlCharacters(const std::string& Text) {
  return std::any_of(Text.begin(), Text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

// Pixels the outline can touch, with a margin for the rasteriser's rounding.
TRect InkPixels(const QRectF& Outline, double X, double Y) {
  constexpr int kMargin = 2;
  return Rect(static_cast<int>(std::floor(X + Outline.left())) - kMargin,
              static_cast<int>(std::floor(Y + Outline.top())) - kMargin,
              static_cast<int>(std::ceil(X + Outline.right())) + kMargin,
              static_cast<int>(std::ceil(Y + Outline.bottom())) + kMargin);
}

// Right-to-left runs are reordered and shaped by TextOut in ways a layout of its own does not
// always repeat.
bool HasRightToLeftCharacters(const QString& Text) {
  for (const char32_t c : Text.toUcs4()) {
    switch (QChar::direction(c)) {
      case QChar::DirR:
      case QChar::DirAL:
      case QChar::DirAN:
      case QChar::DirRLE:
      case QChar::DirRLO:
      case QChar::DirRLI:
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace

TGlyphLayout::TGlyphLayout(const TFont& Font, const std::string& Text)
    : faces_(std::make_unique<TFaces>()) {
  separable_ = Font.Orientation() == 0 && (Font.Style() & (fsUnderline | fsStrikeOut)) == 0 &&
               !HasControlCharacters(Text);
  if (!separable_) return;
  const QString text = QString::fromStdString(Text);
  separable_ = !HasRightToLeftCharacters(text);
  if (!separable_) return;
  const QFont font = Font.ToQFont();
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setTextDirection(QGuiApplication::layoutDirection());
  layout.setTextOption(option);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return;
  // TextOut puts the baseline at the font's whole-pixel ascent.
  baselineShift_ = QFontMetrics(font).ascent() - line.ascent();
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const int face = faces_->IndexOf(run.rawFont());
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size(); ++i) {
      const QRectF& outline = faces_->OutlineBounds(face, indexes[i]);
      if (outline.isEmpty()) continue;
      TPlacedGlyph glyph;
      glyph.Face = face;
      glyph.Glyph = indexes[i];
      glyph.X = positions[i].x();
      glyph.Y = positions[i].y();
      glyph.Ink = InkPixels(outline, glyph.X, glyph.Y + baselineShift_);
      glyphs_.push_back(glyph);
    }
  }
  std::stable_sort(
      glyphs_.begin(), glyphs_.end(),
      [](const TPlacedGlyph& a, const TPlacedGlyph& b) { return a.Ink.Left < b.Ink.Left; });
}

TGlyphLayout::~TGlyphLayout() = default;

void TGlyphLayout::Draw(const std::vector<size_t>& Which, uint32_t* Bits, int Width, int Height,
                        int Left, int Top) const {
  if (!Bits || Width <= 0 || Height <= 0 || Which.empty()) return;
  QImage image(reinterpret_cast<uchar*>(Bits), Width, Height, Width * 4, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.translate(-Left, -Top);
  painter.setPen(Qt::white);
  // One run per font, each filled as a whole like the text items of TextOut.
  for (size_t face = 0; face < faces_->Fonts.size(); ++face) {
    QList<quint32> indexes;
    QList<QPointF> positions;
    for (size_t i : Which) {
      if (glyphs_[i].Face != static_cast<int>(face)) continue;
      indexes.push_back(glyphs_[i].Glyph);
      positions.push_back(QPointF(glyphs_[i].X, glyphs_[i].Y));
    }
    if (indexes.isEmpty()) continue;
    QGlyphRun run;
    run.setRawFont(faces_->Fonts[face]);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, baselineShift_), run);
  }
}

}  // namespace pictavia
