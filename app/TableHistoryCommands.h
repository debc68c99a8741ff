// KeyTable > Compare With... and Interface > Keyboard History...: the active
// key layout window's table against a file or a table kept of a keyboard,
// and a kept table opened or downloaded again.
#pragma once

#include "docview/CommandTarget.h"

class QString;

namespace q4t {

class CQ4TProgrammerApp;
class KeyTable;

class TableHistoryCommands : public docview::CommandTarget {
 public:
  explicit TableHistoryCommands(CQ4TProgrammerApp& app) : app_(app) {}

  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

 private:
  void compareWithFile();
  void showHistory();
  void restoreDownload();

  CQ4TProgrammerApp& app_;
};

}  // namespace q4t
