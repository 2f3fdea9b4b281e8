// Button pictures painted with QPainter on a 32 x 32 grid, anti-aliased, in one palette.
#include "app/internal/button_pictures.h"

#include <cmath>
#include <numbers>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace pictavia {

namespace {

const QColor kInk(0x2B, 0x3A, 0x55);
const QColor kBlue(0x2F, 0x7B, 0xD8);
const QColor kGreen(0x3C, 0xA5, 0x4A);
const QColor kRed(0xD8, 0x3B, 0x3B);
const QColor kGold(0xF2, 0xB1, 0x2C);

QPen InkPen(qreal Width = 1.6) {
  return QPen(kInk, Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Arrow(QPainter& P, QPointF From, QPointF To, const QColor& Color) {
  P.setPen(QPen(Color, 4, Qt::SolidLine, Qt::RoundCap));
  const QPointF d = To - From;
  const qreal len = std::sqrt(d.x() * d.x() + d.y() * d.y());
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  P.drawLine(From, To - u * 6);
  QPainterPath head;
  head.moveTo(To);
  head.lineTo(To - u * 10 + n * 7);
  head.lineTo(To - u * 10 - n * 7);
  head.closeSubpath();
  P.setPen(Qt::NoPen);
  P.setBrush(Color);
  P.drawPath(head);
}

void Page(QPainter& P) {
  QPainterPath page;
  page.moveTo(7, 3);
  page.lineTo(19, 3);
  page.lineTo(26, 10);
  page.lineTo(26, 29);
  page.lineTo(7, 29);
  page.closeSubpath();
  P.setPen(InkPen());
  P.setBrush(Qt::white);
  P.drawPath(page);
  P.setBrush(QColor(0xDD, 0xE4, 0xEE));
  P.drawPolygon(QPolygonF({QPointF(19, 3), QPointF(19, 10), QPointF(26, 10)}));
}

void Landscape(QPainter& P, const QRectF& R) {
  QLinearGradient sky(R.topLeft(), R.bottomLeft());
  sky.setColorAt(0, QColor(0x8E, 0xC9, 0xF5));
  sky.setColorAt(1, QColor(0xD8, 0xEE, 0xFF));
  P.setPen(Qt::NoPen);
  P.setBrush(sky);
  P.drawRect(R);
  P.setBrush(kGold);
  P.drawEllipse(QPointF(R.right() - 6, R.top() + 6), 3.5, 3.5);
  QPainterPath hills;
  hills.moveTo(R.left(), R.bottom());
  hills.lineTo(R.left(), R.bottom() - 6);
  hills.quadTo(R.left() + R.width() * 0.3, R.top() + 5, R.left() + R.width() * 0.55,
               R.bottom() - 5);
  hills.quadTo(R.left() + R.width() * 0.75, R.top() + 9, R.right(), R.bottom() - 7);
  hills.lineTo(R.right(), R.bottom());
  hills.closeSubpath();
  P.setBrush(kGreen);
  P.drawPath(hills);
  P.setBrush(Qt::NoBrush);
  P.setPen(InkPen(1.4));
  P.drawRect(R);
}

void Heart(QPainter& P, QPointF C, qreal S, const QColor& Color) {
  QPainterPath heart;
  heart.moveTo(C.x(), C.y() + S * 0.9);
  heart.cubicTo(C.x() - S * 1.6, C.y() - S * 0.2, C.x() - S * 0.8, C.y() - S * 1.4, C.x(),
                C.y() - S * 0.5);
  heart.cubicTo(C.x() + S * 0.8, C.y() - S * 1.4, C.x() + S * 1.6, C.y() - S * 0.2, C.x(),
                C.y() + S * 0.9);
  QRadialGradient fill(C - QPointF(S * 0.4, S * 0.5), S * 1.8);
  fill.setColorAt(0, Color.lighter(150));
  fill.setColorAt(1, Color);
  P.setPen(QPen(Color.darker(140), 1.2));
  P.setBrush(fill);
  P.drawPath(heart);
}

void Star(QPainter& P, QPointF C, qreal R, const QColor& Color) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
    const qreal r = (i % 2 == 0) ? R : R * 0.45;
    star << QPointF(C.x() + r * std::cos(a), C.y() + r * std::sin(a));
  }
  P.setPen(QPen(Color.darker(150), 1));
  P.setBrush(Color);
  P.drawPolygon(star);
}

void Draw(QPainter& P, TButtonPicture Picture) {
  switch (Picture) {
    case bpNew:
      Page(P);
      Star(P, QPointF(23, 24), 7, kGold);
      break;
    case bpAddPhoto:
      Landscape(P, QRectF(3, 6, 24, 19));
      P.setPen(Qt::NoPen);
      P.setBrush(kGreen.darker(115));
      P.drawEllipse(QPointF(25, 25), 6, 6);
      P.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
      P.drawLine(QPointF(25, 21.5), QPointF(25, 28.5));
      P.drawLine(QPointF(21.5, 25), QPointF(28.5, 25));
      break;
    case bpAddClips:
      Heart(P, QPointF(13, 15), 9, QColor(0xE5, 0x4B, 0x7A));
      Star(P, QPointF(24, 23), 7, kGold);
      break;
    case bpAddColorBar: {
      QLinearGradient g(3, 0, 29, 0);
      g.setColorAt(0, QColor(0x7C, 0xD9, 0x2F));
      g.setColorAt(0.5, QColor(0x2F, 0xB6, 0xD9));
      g.setColorAt(1, QColor(0xA8, 0x5C, 0xE0));
      P.setPen(InkPen(1.4));
      P.setBrush(g);
      P.drawRoundedRect(QRectF(3, 10, 26, 12), 2, 2);
      break;
    }
    case bpAddText: {
      QFont f("DejaVu Serif");
      f.setPixelSize(26);
      f.setBold(true);
      P.setFont(f);
      P.setPen(kInk);
      P.drawText(QRectF(0, 0, 24, 30), Qt::AlignCenter, "A");
      P.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
      P.drawLine(QPointF(24, 6), QPointF(24, 27));
      P.drawLine(QPointF(21, 6), QPointF(27, 6));
      P.drawLine(QPointF(21, 27), QPointF(27, 27));
      break;
    }
    case bpHelp: {
      QRadialGradient g(QPointF(12, 11), 16);
      g.setColorAt(0, kBlue.lighter(140));
      g.setColorAt(1, kBlue);
      P.setPen(QPen(kBlue.darker(130), 1.2));
      P.setBrush(g);
      P.drawEllipse(QPointF(16, 16), 13, 13);
      QFont f("DejaVu Sans");
      f.setPixelSize(20);
      f.setBold(true);
      P.setFont(f);
      P.setPen(Qt::white);
      P.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, "?");
      break;
    }
    case bpExit:
      P.setPen(InkPen());
      P.setBrush(QColor(0xC9, 0x8B, 0x52));
      P.drawRect(QRectF(5, 4, 13, 25));
      P.setBrush(kGold);
      P.drawEllipse(QPointF(15, 17), 1.4, 1.4);
      Arrow(P, QPointF(14, 16), QPointF(30, 16), kRed);
      break;
    case bpSave:
      P.setPen(InkPen());
      P.setBrush(kBlue);
      P.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
      P.setBrush(Qt::white);
      P.drawRect(QRectF(9, 4, 14, 9));
      P.setBrush(QColor(0xDD, 0xE4, 0xEE));
      P.drawRect(QRectF(8, 18, 16, 10));
      break;
    case bpBackground:
      Landscape(P, QRectF(3, 4, 26, 24));
      break;
    case bpDelete:
      P.setPen(Qt::NoPen);
      P.setBrush(kRed);
      P.drawEllipse(QPointF(16, 16), 13, 13);
      P.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
      P.drawLine(QPointF(11, 11), QPointF(21, 21));
      P.drawLine(QPointF(21, 11), QPointF(11, 21));
      break;
    case bpUp:
      P.setPen(InkPen(1.2));
      P.setBrush(QColor(0xDD, 0xE4, 0xEE));
      P.drawRect(QRectF(4, 18, 16, 10));
      P.setBrush(kBlue.lighter(130));
      P.drawRect(QRectF(12, 12, 16, 10));
      Arrow(P, QPointF(8, 15), QPointF(8, 2), kGreen);
      break;
    case bpDown:
      P.setPen(InkPen(1.2));
      P.setBrush(kBlue.lighter(130));
      P.drawRect(QRectF(12, 4, 16, 10));
      P.setBrush(QColor(0xDD, 0xE4, 0xEE));
      P.drawRect(QRectF(4, 10, 16, 10));
      Arrow(P, QPointF(8, 17), QPointF(8, 30), kGreen);
      break;
    case bpRotate: {
      P.setPen(QPen(kBlue, 3.5, Qt::SolidLine, Qt::RoundCap));
      P.setBrush(Qt::NoBrush);
      P.drawArc(QRectF(5, 5, 22, 22), 200 * 16, -290 * 16);
      QPainterPath head;
      head.moveTo(29, 12);
      head.lineTo(19, 13);
      head.lineTo(27, 3);
      head.closeSubpath();
      P.setPen(Qt::NoPen);
      P.setBrush(kBlue);
      P.drawPath(head);
      break;
    }
    case bpFlipHorizontal:
    case bpFlipVertical: {
      // A shape and its mirror image on either side of a dashed axis.
      const bool horizontal = Picture == bpFlipHorizontal;
      auto at = [horizontal](qreal Across, qreal Along) {
        return horizontal ? QPointF(Across, Along) : QPointF(Along, Across);
      };
      P.setPen(InkPen(1.2));
      P.setBrush(kBlue);
      P.drawPolygon(QPolygonF({at(13.5, 6), at(13.5, 26), at(3, 16)}));
      P.setBrush(Qt::white);
      P.drawPolygon(QPolygonF({at(18.5, 6), at(18.5, 26), at(29, 16)}));
      P.setPen(QPen(kRed, 1.5, Qt::DashLine));
      P.drawLine(at(16, 2), at(16, 30));
      break;
    }
    case bpFont: {
      QFont f("DejaVu Serif");
      f.setPixelSize(24);
      f.setItalic(true);
      f.setBold(true);
      P.setFont(f);
      P.setPen(kInk);
      P.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, "F");
      break;
    }
    case bpColor: {
      const QColor colours[] = {kRed, kGold, kGreen, kBlue};
      for (int i = 0; i < 4; ++i) {
        P.setPen(QPen(colours[i].darker(140), 1));
        P.setBrush(colours[i]);
        P.drawEllipse(QPointF(i % 2 ? 21 : 11, i / 2 ? 21 : 11), 7, 7);
      }
      break;
    }
    case bpApply:
      P.setPen(QPen(kGreen, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      P.setBrush(Qt::NoBrush);
      P.drawPolyline(QPolygonF({QPointF(5, 17), QPointF(13, 25), QPointF(27, 7)}));
      break;
  }
}

}  // namespace

QIcon ButtonPicture(TButtonPicture Picture) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Draw(painter, Picture);
  }
  return QIcon(pixmap);
}

}  // namespace pictavia
