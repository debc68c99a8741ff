// One program linked to one virtual keyboard on COM1 of a port folder of its
// own, for the window tests that transfer tables.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "sim/VirtualKeyboard.h"
#include "support/ProgramFixture.h"

namespace docview {
class CommandRouter;
}

namespace q4t::test {

// The factory state with key 60 a double key covering 61.
sim::KeyboardState doubleKeyAt60();

struct LinkedProgram {
  // Long enough for any transfer with the virtual keyboard, paced ones too.
  static constexpr int kTransferMs = 30000;

  // Starts the keyboard in state and the program on files; started says whether both did.
  explicit LinkedProgram(const sim::KeyboardState& state = sim::FactoryState(), const QStringList& files = {});

  std::string portPath() const;
  docview::CommandRouter& router() const;
  QString status() const;  // pane 0's text
  bool idle() const;
  // Runs the command and waits for its status text with the link at rest.
  bool transfer(int id, const QString& endText);
  // Confirms the port dialog with its proposal, COM1, and connects.
  bool connect();
  // The command as its toolbar button shows it now.
  bool enabled(int id) const;
  // The command as its menu shows it on opening.
  bool enabledInMenu(int id) const;
  // Requests the keyboard received with the given command byte.
  int requestsWith(std::uint8_t command) const;

  QTemporaryDir portDir;
  sim::VirtualKeyboard keyboard;
  ProgramFixture program;
  bool started = false;
};

}  // namespace q4t::test
