// TImage: loading, showing stretched, and the click of a picture box.
#include "app/internal/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "raster/bitmap32.h"

namespace pictavia {

namespace {

QImage ToQImage(const TBitmap32& Bitmap) {
  if (Bitmap.Empty()) return {};
  QImage image(reinterpret_cast<const uchar*>(Bitmap.Bits()), Bitmap.Width(), Bitmap.Height(),
               Bitmap.Width() * 4, QImage::Format_ARGB32);
  return image.copy();  // detached from the bitmap, which goes away
}

}  // namespace

TImage::TImage(QWidget* Parent) : QWidget(Parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TImage::~TImage() = default;

void TImage::LoadFromFile(const std::string& FileName) {
  TPicture loaded;
  loaded.LoadFromFile(FileName);
  TBitmap32 pixels;
  pixels.Assign(&loaded);  // decodes now: a damaged file fails here, not in paintEvent
  picture_.Assign(&loaded);
  image_ = ToQImage(pixels);
  update();
}

void TImage::SetGraphic(const TGraphic* Graphic) {
  picture_.SetGraphic(Graphic);
  UpdateImage();
}

bool TImage::Empty() const {
  return picture_.Graphic() == nullptr || picture_.Graphic()->Empty();
}

void TImage::UpdateImage() {
  image_ = QImage();
  if (!Empty()) {
    TBitmap32 pixels;
    pixels.Assign(&picture_);
    image_ = ToQImage(pixels);
  }
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), image_);
}

void TImage::mousePressEvent(QMouseEvent* Event) {
  pressed_ = Event->button() == Qt::LeftButton;
}

void TImage::mouseReleaseEvent(QMouseEvent* Event) {
  const bool click = pressed_ && Event->button() == Qt::LeftButton && rect().contains(Event->pos());
  pressed_ = false;
  if (click && OnClick) OnClick(this);
}

}  // namespace pictavia
