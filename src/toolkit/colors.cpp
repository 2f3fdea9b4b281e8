// System colours resolved from the application palette, and Qt colour conversions.
#include "toolkit/colors.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace pictavia {

namespace {

// The classic desktop scheme, for processes without a GUI application object.
TColor ClassicSysColor(int32_t index) {
  switch (index) {
    case COLOR_SCROLLBAR:
      return RGBColor(0xC8, 0xC8, 0xC8);
    case COLOR_BACKGROUND:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_ACTIVECAPTION:
      return RGBColor(0x99, 0xB4, 0xD1);
    case COLOR_INACTIVECAPTION:
      return RGBColor(0xBF, 0xCD, 0xDB);
    case COLOR_MENU:
      return RGBColor(0xF0, 0xF0, 0xF0);
    case COLOR_WINDOW:
      return RGBColor(0xFF, 0xFF, 0xFF);
    case COLOR_WINDOWFRAME:
      return RGBColor(0x64, 0x64, 0x64);
    case COLOR_MENUTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_WINDOWTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_CAPTIONTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_ACTIVEBORDER:
      return RGBColor(0xB4, 0xB4, 0xB4);
    case COLOR_INACTIVEBORDER:
      return RGBColor(0xF4, 0xF7, 0xFC);
    case COLOR_APPWORKSPACE:
      return RGBColor(0xAB, 0xAB, 0xAB);
    case COLOR_HIGHLIGHT:
      return RGBColor(0x00, 0x78, 0xD7);
    case COLOR_HIGHLIGHTTEXT:
      return RGBColor(0xFF, 0xFF, 0xFF);
    case COLOR_BTNFACE:
      return RGBColor(0xF0, 0xF0, 0xF0);
    case COLOR_BTNSHADOW:
      return RGBColor(0xA0, 0xA0, 0xA0);
    case COLOR_GRAYTEXT:
      return RGBColor(0x6D, 0x6D, 0x6D);
    case COLOR_BTNTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_INACTIVECAPTIONTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_BTNHIGHLIGHT:
      return RGBColor(0xFF, 0xFF, 0xFF);
    case COLOR_3DDKSHADOW:
      return RGBColor(0x69, 0x69, 0x69);
    case COLOR_3DLIGHT:
      return RGBColor(0xE3, 0xE3, 0xE3);
    case COLOR_INFOTEXT:
      return RGBColor(0x00, 0x00, 0x00);
    case COLOR_INFOBK:
      return RGBColor(0xFF, 0xFF, 0xE1);
    case COLOR_HOTLIGHT:
      return RGBColor(0x00, 0x66, 0xCC);
    case COLOR_GRADIENTACTIVECAPTION:
      return RGBColor(0xB9, 0xD1, 0xEA);
    case COLOR_GRADIENTINACTIVECAPTION:
      return RGBColor(0xD7, 0xE4, 0xF2);
    case COLOR_MENUHILIGHT:
      return RGBColor(0x33, 0x99, 0xFF);
    case COLOR_MENUBAR:
      return RGBColor(0xF0, 0xF0, 0xF0);
    default:
      return clBlack;
  }
}

bool PaletteRole(int32_t index, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
  group = QPalette::Active;
  switch (index) {
    case COLOR_SCROLLBAR:
      role = QPalette::Midlight;
      return true;
    case COLOR_MENU:
    case COLOR_MENUBAR:
    case COLOR_BTNFACE:
      role = QPalette::Button;
      return true;
    case COLOR_WINDOW:
      role = QPalette::Base;
      return true;
    case COLOR_WINDOWFRAME:
      role = QPalette::Shadow;
      return true;
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
      role = QPalette::WindowText;
      return true;
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
      role = QPalette::Highlight;
      return true;
    case COLOR_HIGHLIGHTTEXT:
      role = QPalette::HighlightedText;
      return true;
    case COLOR_BTNSHADOW:
      role = QPalette::Mid;
      return true;
    case COLOR_GRAYTEXT:
      group = QPalette::Disabled;
      role = QPalette::Text;
      return true;
    case COLOR_BTNTEXT:
      role = QPalette::ButtonText;
      return true;
    case COLOR_BTNHIGHLIGHT:
      role = QPalette::Light;
      return true;
    case COLOR_3DDKSHADOW:
      role = QPalette::Shadow;
      return true;
    case COLOR_3DLIGHT:
      role = QPalette::Midlight;
      return true;
    case COLOR_INFOTEXT:
      role = QPalette::ToolTipText;
      return true;
    case COLOR_INFOBK:
      role = QPalette::ToolTipBase;
      return true;
    case COLOR_HOTLIGHT:
      role = QPalette::Link;
      return true;
    default:
      return false;
  }
}

}  // namespace

TColor GetSysColor(int32_t index) {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
      PaletteRole(index, group, role)) {
    return FromQColor(QGuiApplication::palette().color(group, role));
  }
  return ClassicSysColor(index);
}

TColor ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return color & 0x00FFFFFF;
}

QColor ToQColor(TColor color) {
  const TColor c = ColorToRGB(color);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return RGBColor(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                  static_cast<uint8_t>(rgb.blue()));
}

}  // namespace pictavia
