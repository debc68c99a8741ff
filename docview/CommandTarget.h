// One link of the command routing chain: a view, document, child frame, the
// main frame or the application.
#pragma once

#include <optional>

namespace docview {

struct CommandState {
  bool enabled = true;
  bool checked = false;
};

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // The command's state when this target handles it; nothing when it does not.
  virtual std::optional<CommandState> commandState(int id) const = 0;
  virtual void runCommand(int id) = 0;
};

}  // namespace docview
