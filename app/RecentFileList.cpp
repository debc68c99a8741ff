#include "app/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

#include "docview/SameFile.h"

namespace q4t {

namespace {
const char* const kSection = "Recent File List";
QString entryName(int i) { return QStringLiteral("File%1").arg(i + 1); }
}  // namespace

void RecentFileList::load() {
  QSettings settings;
  settings.beginGroup(QLatin1String(kSection));
  paths_.clear();
  for (int i = 0; i < kSize; ++i) {
    const QString path = settings.value(entryName(i)).toString();
    if (!path.isEmpty()) paths_.append(path);
  }
}

void RecentFileList::save() const {
  QSettings settings;
  settings.beginGroup(QLatin1String(kSection));
  for (int i = 0; i < kSize; ++i) {
    if (i < paths_.size()) {
      settings.setValue(entryName(i), paths_[i]);
    } else {
      settings.remove(entryName(i));
    }
  }
}

void RecentFileList::add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  remove(absolute);
  paths_.prepend(absolute);
  while (paths_.size() > kSize) paths_.removeLast();
  save();
}

void RecentFileList::remove(const QString& path) {
  paths_.removeIf([&](const QString& entry) { return docview::isSameFile(entry, path); });
  save();
}

}  // namespace q4t
