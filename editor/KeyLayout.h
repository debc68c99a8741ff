// The 92 key buttons on the keyboard grid: their home rectangles, the shape
// geometry of merged keys, their captions and their plain or owner-drawn style.
#pragma once

#include <QRect>
#include <array>

#include "editor/KeyButton.h"
#include "editor/KeyFaces.h"
#include "model/KeyTable.h"

namespace q4t {

class KeyLayout {
 public:
  // Makes the buttons on the form at their grid places.
  KeyLayout(const KeyTable& table, QWidget* form);

  KeyButton* button(int k) const { return buttons_[static_cast<std::size_t>(k)]; }
  const QRect& homeRect(int k) const { return homeRects_[static_cast<std::size_t>(k)]; }
  // The form's place of key k's button before any merging, in pixels.
  static QRect gridRect(int k);

  void moveHome(int k);
  // Doubles or quadruples k's button from its home corner and hides the
  // buttons it covers, when the neighbours exist.
  void applyShapeGeometry(int k);
  void showAll();
  void refreshCaption(int k);
  void refreshCaptions();
  // Plain for all of k's group.
  void makeGroupPlain(int k);
  void refreshStyles();
  void restoreChangedMarks();
  // Undo and redo: the faces as an edit recorded them, or every key laid out
  // and styled from the table alone, as after an Upload.
  KeyFaces faces() const;
  void showFace(int k, const KeyFace& face);
  void layOutFromTable();

  // Paints k's owner-drawn face: yellow stripe with a counter, red for a change.
  void paintFace(int k, QPainter& painter, const QRect& itemRect) const;

 private:
  void setOwnerDrawn(int k, bool ownerDrawn);

  const KeyTable& table_;
  std::array<KeyButton*, kKeyCount> buttons_{};
  std::array<QRect, kKeyCount> homeRects_{};
};

}  // namespace q4t
