// The document of both window types: title, path name and modified flag. The
// key layout view reads and writes the table itself.
#pragma once

#include "docview/Document.h"

namespace q4t {

class CMyQ4TProgrammerDoc : public docview::Document {
  Q_OBJECT
 public:
  using Document::Document;

  // A key layout document stops its view's receive thread and closes the TCO
  // window before its window goes.
  void closeDocument() override;
  // Not while its view's transfer runs, unless the user says so.
  bool mayClose() override;

 protected:
  bool saveDocument() override;
};

}  // namespace q4t
