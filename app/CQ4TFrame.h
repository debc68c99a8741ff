// The key layout window's frame: at 0, 0 and always 620 x 225 pixels. Whatever
// changes its size (a border dragged, maximising) it snaps back, keeping the
// top-left corner of its normal place.
#pragma once

#include "docview/MdiChildFrame.h"

namespace q4t {

class CQ4TFrame : public docview::MdiChildFrame {
  Q_OBJECT
 public:
  CQ4TFrame();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void snapBack();
};

}  // namespace q4t
