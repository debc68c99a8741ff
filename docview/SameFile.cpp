#include "docview/SameFile.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "docview/FileNames.h"

namespace docview {

bool isSameFile(const QString& first, const QString& second) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(nativePath(first), nativePath(second), error);
  if (!error) return same;
  return QFileInfo(first).absoluteFilePath() == QFileInfo(second).absoluteFilePath();
}

}  // namespace docview
