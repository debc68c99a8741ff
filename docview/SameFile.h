// Whether two paths name one file (one device and inode), so that a symbolic
// link, a hard link or "./" to a file is that file, and names differing only
// in letter case are different files.
#pragma once

#include <QString>

namespace docview {

// Paths of which neither exists are compared as absolute paths.
bool isSameFile(const QString& first, const QString& second);

}  // namespace docview
