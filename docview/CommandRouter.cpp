#include "docview/CommandRouter.h"

#include <QAction>

namespace docview {

CommandRouter::CommandRouter(Chain chain, QObject* parent) : QObject(parent), chain_(std::move(chain)) {}

QAction* CommandRouter::addCommand(int id, const QString& text, const QString& statusTip) {
  auto* action = new QAction(text, this);
  action->setStatusTip(statusTip);
  action->setData(id);
  connect(action, &QAction::triggered, this, [this, id] { run(id); });
  actions_[id].append(action);
  return action;
}

QAction* CommandRouter::addEntry(int id) {
  const QAction* first = action(id);
  QAction* entry = addCommand(id, first->text(), first->statusTip());
  entry->setCheckable(first->isCheckable());
  return entry;
}

CommandTarget* CommandRouter::handlerOf(int id) const {
  for (CommandTarget* target : chain_()) {
    if (target && target->commandState(id)) return target;
  }
  return nullptr;
}

bool CommandRouter::run(int id) {
  CommandTarget* target = handlerOf(id);
  if (!target || !target->commandState(id)->enabled) return false;
  emit aboutToRun(id);
  target->runCommand(id);
  updateActions();
  return true;
}

std::optional<CommandState> CommandRouter::stateOf(int id) const {
  const CommandTarget* target = handlerOf(id);
  return target ? target->commandState(id) : std::nullopt;
}

void CommandRouter::updateActions() {
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
    const std::optional<CommandState> state = stateOf(it.key());
    for (QAction* action : it.value()) {
      action->setEnabled(state && state->enabled);
      if (action->isCheckable()) action->setChecked(state && state->checked);
    }
  }
}

}  // namespace docview
