#include "app/RecentFileList.h"

#include <QSettings>

#include "docview/FileNames.h"
#include "docview/SameFile.h"

namespace q4t {

namespace {
const char* const kSection = "Recent File List";
QString entryName(int i) { return QStringLiteral("File%1").arg(i + 1); }

// A name that is not UTF-8 is kept as its bytes: as text it would come back another name.
QVariant storedPath(const QString& path) {
  return docview::qtCanName(path) ? QVariant(path) : QVariant(docview::bytesOfPath(path));
}
QString pathStored(const QVariant& stored) {
  return stored.typeId() == QMetaType::QByteArray ? docview::pathFromBytes(stored.toByteArray()) : stored.toString();
}
}  // namespace

void RecentFileList::load() {
  QSettings settings;
  settings.beginGroup(QLatin1String(kSection));
  paths_.clear();
  for (int i = 0; i < kSize; ++i) {
    const QString path = pathStored(settings.value(entryName(i)));
    if (!path.isEmpty()) paths_.append(path);
  }
}

void RecentFileList::save() const {
  QSettings settings;
  settings.beginGroup(QLatin1String(kSection));
  for (int i = 0; i < kSize; ++i) {
    if (i < paths_.size()) {
      settings.setValue(entryName(i), storedPath(paths_[i]));
    } else {
      settings.remove(entryName(i));
    }
  }
}

void RecentFileList::add(const QString& path) {
  const QString absolute = docview::absolutePath(path);
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
