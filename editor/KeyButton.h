// A key button: a plain push button showing its caption, or owner-drawn, where
// the view paints the face inside a raised 3-pixel frame.
#pragma once

#include <QPushButton>
#include <functional>

namespace q4t {

class KeyButton : public QPushButton {
  Q_OBJECT
 public:
  // Paints key index's face into the item rectangle (the inside of the frame).
  using FacePainter = std::function<void(int index, QPainter& painter, const QRect& itemRect)>;

  KeyButton(int index, FacePainter facePainter, QWidget* parent);

  int index() const { return index_; }
  // The value on the face; the label, when there is one, in the tool tip and
  // the accessible description.
  void setCaption(int value, const QString& label);
  bool isOwnerDrawn() const { return ownerDrawn_; }
  void setOwnerDrawn(bool ownerDrawn);
  // The key of the Key Labels list's current row: framed in the highlight
  // colour, with or without the keyboard focus.
  bool isMarkedCurrent() const { return markedCurrent_; }
  void setMarkedCurrent(bool marked);

  static constexpr int kFrameWidth = 3;

 signals:
  void contextMenuRequested(int index, const QPoint& globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void paintOwnerDrawn();

  int index_;
  FacePainter facePainter_;
  bool ownerDrawn_ = false;
  bool markedCurrent_ = false;
};

}  // namespace q4t
