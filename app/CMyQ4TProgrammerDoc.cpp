#include "app/CMyQ4TProgrammerDoc.h"

#include "editor/CQ4TForm.h"

namespace q4t {

void CMyQ4TProgrammerDoc::closeDocument() {
  if (auto* form = qobject_cast<CQ4TForm*>(firstView())) form->stopReceiving();
  Document::closeDocument();
}

bool CMyQ4TProgrammerDoc::mayClose() {
  auto* form = qobject_cast<CQ4TForm*>(firstView());
  return !form || form->mayLeaveTransfer();
}

bool CMyQ4TProgrammerDoc::saveDocument() {
  auto* form = qobject_cast<CQ4TForm*>(firstView());
  return form && form->fileSave();
}

}  // namespace q4t
