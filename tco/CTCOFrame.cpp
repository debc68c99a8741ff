#include "tco/CTCOFrame.h"

namespace q4t {

CTCOFrame::CTCOFrame() : MdiChildFrame(QRect(0, 225, 620, 250)) {}

}  // namespace q4t
