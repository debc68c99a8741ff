// The TCO window's child frame: a resizable child window at its own place.
#pragma once

#include "docview/MdiChildFrame.h"

namespace q4t {

class CTCOFrame : public docview::MdiChildFrame {
  Q_OBJECT
 public:
  CTCOFrame();
};

}  // namespace q4t
