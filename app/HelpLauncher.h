// Opens the manual in its window at the first page. The window is made once
// and reused; a manual that cannot be found or loaded is not looked for
// again, and help requests then quietly do nothing.
#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace q4t {

class HelpWindow;

class HelpLauncher {
 public:
  HelpLauncher();
  ~HelpLauncher();
  HelpLauncher(const HelpLauncher&) = delete;
  HelpLauncher& operator=(const HelpLauncher&) = delete;

  // Shows and raises the help window at the manual's first page, over the
  // owner's window when one is given, and wholly on the screen. False, showing nothing, when the
  // manual cannot be had.
  bool showDefaultTopic(QWidget* owner);

  // The help collection to load: $Q4T_HELP_FILE when set, else
  // help/Q4TProgrammer.qhc among the program's files (installed or built);
  // empty when there is none.
  static QString collectionFile();

  HelpWindow* window() const { return window_.get(); }

 private:
  bool loadOnce(QWidget* owner);

  std::unique_ptr<HelpWindow> window_;
  bool failed_ = false;
};

}  // namespace q4t
