#include "support/LinkedProgram.h"

#include <QAction>
#include <QTest>

#include "app/CMainFrame.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "editor/CQ4TForm.h"
#include "link/SerialPort.h"
#include "ui/CommandIds.h"

namespace q4t::test {

sim::KeyboardState doubleKeyAt60() {
  sim::KeyboardState state = sim::FactoryState();
  state.setKeySize(60, KeySize::DoubleRight);
  state.setKeySize(61, KeySize::Covered);
  return state;
}

LinkedProgram::LinkedProgram(const sim::KeyboardState& state, const QStringList& files) : keyboard(state) {
  qputenv("Q4T_PORT_DIR", portDir.path().toLocal8Bit());
  program.shared.makePort = [] { return std::make_shared<CSerialPort>(); };
  started = keyboard.start(portPath()) && program.start(files);
}

std::string LinkedProgram::portPath() const { return portDir.filePath(QStringLiteral("COM1")).toStdString(); }

docview::CommandRouter& LinkedProgram::router() const { return program.app().router(); }

QString LinkedProgram::status() const { return program.app().mainFrame().statusPanes().text(); }

bool LinkedProgram::idle() const { return program.form()->link().phase() == LinkPhase::Idle; }

bool LinkedProgram::transfer(int id, const QString& endText) {
  if (!router().run(id)) return false;
  if (QTest::qWaitFor([&] { return idle() && status() == endText; }, kTransferMs)) return true;
  qWarning("waited for \"%s\", the status shows \"%s\"", qPrintable(endText), qPrintable(status()));
  return false;
}

bool LinkedProgram::connect() {
  confirmNextPortDialog();
  return transfer(cmd::kPort, QStringLiteral("OK: Keyboard connected"));
}

bool LinkedProgram::enabled(int id) const { return router().action(id)->isEnabled(); }

bool LinkedProgram::enabledInMenu(int id) const {
  router().updateActions();
  return enabled(id);
}

int LinkedProgram::requestsWith(std::uint8_t command) const {
  int count = 0;
  for (const auto& request : keyboard.requests()) count += request.size() > 4 && request[4] == command;
  return count;
}

}  // namespace q4t::test
