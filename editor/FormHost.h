// What the key layout view needs of the program around it: the shared link
// values, the window types, the status pane, the port dialog's owner and the help.
#pragma once

#include <QString>

class QWidget;

namespace docview {
class DocTemplate;
}

namespace q4t {

struct LinkShared;

class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual LinkShared& linkShared() = 0;
  virtual docview::DocTemplate& keyLayoutTemplate() = 0;
  virtual docview::DocTemplate& tcoTemplate() = 0;
  // Pane 0 of the status bar, painted at once.
  virtual void showStatus(const QString& text) = 0;
  // Why a port could not be opened or a file not read, for pane 0's tool tip.
  virtual void noteCause(const QString& cause) = 0;
  virtual QWidget* mainWindow() = 0;
  virtual void showHelp() = 0;
  // The save dialog for a table still bound to the default table; empty when cancelled.
  virtual QString chooseSaveFileName() = 0;
  // A link or table state changed: menus and toolbar follow.
  virtual void updateActions() = 0;
};

}  // namespace q4t
