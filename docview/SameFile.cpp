#include "docview/SameFile.h"

#include <QFileInfo>

namespace docview {

bool isSameFile(const QString& first, const QString& second) {
  const QFileInfo firstInfo(first);
  const QFileInfo secondInfo(second);
  const QString firstFile = firstInfo.canonicalFilePath();
  const QString secondFile = secondInfo.canonicalFilePath();
  if (firstFile.isEmpty() || secondFile.isEmpty()) return firstInfo.absoluteFilePath() == secondInfo.absoluteFilePath();
  return firstFile == secondFile;
}

}  // namespace docview
