// Commands by number, each with its actions: the first for the toolbar, one
// more for each menu entry (screen readers know an action in one place only).
// A command goes to the first target of the active chain (view, document,
// child frame, main frame, application) that handles it; a command nothing
// handles is disabled.
#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <vector>

#include "docview/CommandTarget.h"

class QAction;

namespace docview {

class CommandRouter : public QObject {
  Q_OBJECT
 public:
  using Chain = std::function<std::vector<CommandTarget*>()>;
  CommandRouter(Chain chain, QObject* parent);

  // A new action of the command; the first one made is the command's action().
  QAction* addCommand(int id, const QString& text, const QString& statusTip = {});
  // One more action of the command, with the first one's text, prompt and checkability.
  QAction* addEntry(int id);
  QAction* action(int id) const { return actions_.value(id).value(0); }
  QList<QAction*> actions(int id) const { return actions_.value(id); }

  // Runs the command in the first target that handles it; false when none does.
  bool run(int id);
  // The state the chain gives the command, as updateActions shows it.
  std::optional<CommandState> stateOf(int id) const;
  // Re-derives every action's enabled and checked state from the chain.
  void updateActions();

 signals:
  // An enabled command is about to run: what is still being typed can be taken first.
  void aboutToRun(int id);

 private:
  CommandTarget* handlerOf(int id) const;

  Chain chain_;
  QHash<int, QList<QAction*>> actions_;
};

}  // namespace docview
