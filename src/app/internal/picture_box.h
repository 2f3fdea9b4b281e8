// TImage: a picture box that shows a picture stretched to its box, carries a tag and raises a
// click event - the mask thumbnails of the main window.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "picture_box.h is private to the app library and its tests"
#endif

#include <functional>
#include <string>

#include <QImage>
#include <QWidget>

#include "toolkit/picture.h"

namespace pictavia {

class TImage : public QWidget {
 public:
  explicit TImage(QWidget* Parent = nullptr);
  ~TImage() override;

  // The picture shown; empty when the box shows nothing.
  const TPicture& Picture() const { return picture_; }
  // Loads a picture file through the picture-format registry and decodes it at once, so a file
  // that cannot be decoded raises here (the box keeps what it showed) and never while painting.
  void LoadFromFile(const std::string& FileName);
  // Takes a copy of the graphic (null empties the box).
  void SetGraphic(const TGraphic* Graphic);
  void Clear() { SetGraphic(nullptr); }
  bool Empty() const;

  int Tag() const { return tag_; }
  void SetTag(int Value) { tag_ = Value; }

  std::function<void(TImage* Sender)> OnClick;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  // The picture's pixels as Qt shows them.
  void UpdateImage();

  TPicture picture_;
  QImage image_;
  int tag_ = 0;
  bool pressed_ = false;
};

}  // namespace pictavia
