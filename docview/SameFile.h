// Whether two paths name one file: the same canonical path, so that a
// symbolic link or "./" to a file is that file, and names differing only in
// letter case are different files.
#pragma once

#include <QString>

namespace docview {

// Paths of which one does not exist are compared as absolute paths.
bool isSameFile(const QString& first, const QString& second);

}  // namespace docview
