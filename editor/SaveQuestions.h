// The questions before a save would replace what the user did not mean to:
// a file another program changed since this window read or wrote it, and a
// file that another window holds.
#pragma once

#include <QString>

#include "model/FileAccess.h"

class QWidget;

namespace docview {
class DocTemplate;
class Document;
}  // namespace docview

namespace q4t {

// True when the file still holds what the window last saw (or is gone), or
// the user chooses to overwrite the other program's changes.
bool mayOverwriteFile(QWidget* owner, const QString& path, const FileContent& lastSeen);

// True when no other document of the window type holds the file, or the user
// chose to close that window and it closed (after its own questions).
bool closeOtherWindowOf(QWidget* owner, docview::DocTemplate& windows, const docview::Document* saving,
                        const QString& path);

}  // namespace q4t
