// What the key buttons show apart from their captions, and what an edit
// changed of it, so that undo and redo show the buttons exactly as they were.
#pragma once

#include <QRect>
#include <array>
#include <vector>

#include "model/KeyTable.h"

namespace q4t {

class KeyLayout;

// Place and size, shown or hidden, plain or owner-drawn.
struct KeyFace {
  QRect geometry;
  bool hidden = false;
  bool ownerDrawn = false;
  bool operator==(const KeyFace&) const = default;
};

using KeyFaces = std::array<KeyFace, kKeyCount>;

// The buttons whose face differs, as they were before and after.
class FaceChange {
 public:
  FaceChange(const KeyFaces& before, const KeyFaces& after);
  void show(KeyLayout& layout, bool after) const;

 private:
  struct Difference {
    int k;
    KeyFace before, after;
  };
  std::vector<Difference> differences_;
};

}  // namespace q4t
