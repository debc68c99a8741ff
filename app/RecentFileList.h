// The four most recent files, most recent first, kept in the user's settings
// under "Recent File List" as "File1" to "File4".
#pragma once

#include <QStringList>

namespace q4t {

class RecentFileList {
 public:
  static constexpr int kSize = 4;

  void load();
  void save() const;
  void add(const QString& path);
  void remove(const QString& path);
  const QStringList& paths() const { return paths_; }

 private:
  QStringList paths_;
};

}  // namespace q4t
