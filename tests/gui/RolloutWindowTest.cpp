// KeyTable > Roll Out to Keyboards... against virtual keyboards that are
// replaced after each download, and the TCO window's File > Export Counters....
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "link/SerialPort.h"
#include "model/CounterSheet.h"
#include "sim/VirtualKeyboard.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "tco/CTCOView.h"
#include "model/KeyTableFile.h"
#include "ui/CommandIds.h"
#include "ui/RolloutWindow.h"

using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

constexpr int kRolloutMs = 30000;

// Virtual keyboards on COM1, COM2, ... in a port folder of their own.
struct Keyboards {
  explicit Keyboards(int count, int replacements) {
    qputenv("Q4T_PORT_DIR", dir.path().toLocal8Bit());
    for (int n = 1; n <= count; ++n) {
      auto& keyboard = *all.emplace_back(std::make_unique<q4t::sim::VirtualKeyboard>());
      keyboard.editState([n](q4t::sim::KeyboardState& state) { state.setSerialNumber("P" + std::to_string(n) + "-01"); });
      keyboard.setReplacements(replacements);
      keyboard.start(dir.filePath(QStringLiteral("COM%1").arg(n)).toStdString());
    }
  }
  QTemporaryDir dir;
  std::vector<std::unique_ptr<q4t::sim::VirtualKeyboard>> all;
};

q4t::KeyTable defaultTable() {
  q4t::KeyTable table;
  q4t::readKeyTable((q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table);
  return table;
}

std::string readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

QStringList column(const QTreeWidget& list, int columnNumber) {
  QStringList texts;
  for (int row = 0; row < list.topLevelItemCount(); ++row) texts << list.topLevelItem(row)->text(columnNumber);
  return texts;
}

void tick(q4t::RolloutWindow& window, const QStringList& ports) {
  for (const QString& port : ports) window.portList()->findItems(port, Qt::MatchExactly).first()->setCheckState(Qt::Checked);
}

}  // namespace

class RolloutWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void rollsOutTheActiveTableOnTheTickedPortsAfterReleasingTheWindowsOwnLink() {
    Keyboards keyboards(2, 1);
    ProgramFixture program;
    program.shared.makePort = [] { return std::make_shared<q4t::CSerialPort>(); };
    const QString table = program.writeTable(QStringLiteral("shop.q4t"), [](q4t::KeyTable& t) { t.setValue(0, 77); });
    QVERIFY(program.start({table}));
    docview::CommandRouter& router = program.app().router();
    QMenu* keyTableMenu = program.app().mainFrame().menuBar()->actions().at(2)->menu();
    QCOMPARE(keyTableMenu->actions().last()->text(), QStringLiteral("&Roll Out to Keyboards..."));

    q4t::test::confirmNextPortDialog();
    QVERIFY(router.run(cmd::kPort));
    QTRY_VERIFY_WITH_TIMEOUT(program.form()->link().phase() == q4t::LinkPhase::Idle, kRolloutMs);
    QVERIFY(program.shared.port);
    QVERIFY(router.run(cmd::kRollOut));
    QVERIFY2(!program.shared.port, "the window's own link gives COM1 up");
    auto* window = program.app().mainFrame().findChild<q4t::RolloutWindow*>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->logField()->text(), program.path(QStringLiteral("shop-rollout.csv")));

    tick(*window, {QStringLiteral("COM1"), QStringLiteral("COM2")});
    QVERIFY(window->start());
    QVERIFY(!window->startButton()->isEnabled() && window->stopButton()->isEnabled());
    QVERIFY(!window->logField()->isEnabled() && !window->portList()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(window->doneList()->topLevelItemCount(), 4, kRolloutMs);
    window->stop();
    QStringList serials = column(*window->doneList(), q4t::RolloutWindow::SerialColumn);
    serials.sort();
    QCOMPARE(serials, (QStringList{"P1-01", "P1-02", "P2-01", "P2-02"}));
    QCOMPARE(column(*window->doneList(), q4t::RolloutWindow::ResultColumn),
             QStringList(4, QStringLiteral("OK: Download and verify successful")));
    QCOMPARE(window->totalsLabel()->text(), QStringLiteral("4 keyboards: 4 verified, 0 failed"));
    QVERIFY(window->doneList()->topLevelItem(0)->foreground(q4t::RolloutWindow::ResultColumn).color() !=
            QColor(200, 0, 0));
    for (const auto& keyboard : keyboards.all) QCOMPARE(int(keyboard->state().keyValue(0)), 77);
    const std::string log = readFile(window->logField()->text());
    QCOMPARE(std::count(log.begin(), log.end(), '\n'), 5L);
    QVERIFY(window->startButton()->isEnabled());
  }

  void failuresShowInRedAndAStartWithoutPortsIsRefused() {
    Keyboards keyboards(1, 0);
    q4t::sim::Faults corrupt;
    corrupt.corruptReadBackKey = 3;
    keyboards.all.front()->setFaults(corrupt);
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.csv"));
    q4t::RolloutWindow window(defaultTable(), dir.filePath(QStringLiteral("t.q4t")));
    window.logField()->setText(log);
    {
      q4t::test::MessageBoxAnswerer answerer;
      QVERIFY(!window.start());
      QTRY_COMPARE(answerer.texts(), QStringList{QStringLiteral("Tick the ports the keyboards are plugged into.")});
    }
    tick(window, {QStringLiteral("COM1")});
    QVERIFY(window.start());
    QTRY_COMPARE_WITH_TIMEOUT(window.doneList()->topLevelItemCount(), 1, kRolloutMs);
    const QTreeWidgetItem* row = window.doneList()->topLevelItem(0);
    QCOMPARE(row->text(q4t::RolloutWindow::ResultColumn), QStringLiteral("ERROR: Verify failed"));
    QCOMPARE(row->foreground(q4t::RolloutWindow::ResultColumn).color(), QColor(200, 0, 0));
    QCOMPARE(window.totalsLabel()->text(), QStringLiteral("1 keyboard: 0 verified, 1 failed"));
    window.stop();
    QCOMPARE(window.noteLabel()->text(), QStringLiteral("Stopped."));
  }

  void aLogThatCannotBeWrittenIsRefusedBeforeAnyKeyboardIsTouched() {
    Keyboards keyboards(1, 0);
    QTemporaryDir dir;
    q4t::RolloutWindow window(defaultTable(), dir.filePath(QStringLiteral("t.q4t")));
    window.logField()->setText(dir.path());
    tick(window, {QStringLiteral("COM1")});
    q4t::test::MessageBoxAnswerer answerer;
    QVERIFY(!window.start());
    QTRY_COMPARE(answerer.texts().size(), 1);
    QCOMPARE(answerer.texts().first(), QStringLiteral("The roll-out did not start; no keyboard was touched:\ncannot write the log ") +
                                           dir.path() + QStringLiteral(": not a regular file"));
    QVERIFY(!window.running() && window.startButton()->isEnabled());
    QVERIFY(keyboards.all.front()->requests().empty());
  }

  void theTcoWindowExportsItsCountersWithTheLabelsOfTheTable() {
    q4t::LinkShared shared;
    q4t::CTCOView view(shared);
    QVERIFY2(!view.commandState(cmd::kExportCounters)->enabled, "nothing read yet");
    q4t::CounterReadings readings{"SN,1", "20230115", "20241208", {}};
    readings.counters[6] = {42, 5};
    q4t::KeyTable labels = defaultTable();
    labels.setLabel(5, "Tea");
    view.setKeyLabels(labels);
    view.SetSerialNumber(readings.serialNumber);
    view.SetManufactureDate(readings.manufactureDate);
    view.SetProgrammingDate(readings.programmingDate);
    view.ShowCounters(readings.counters);
    QVERIFY(view.commandState(cmd::kExportCounters)->enabled);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("counters.csv"));
    QVERIFY(view.exportCounters(path));
    QCOMPARE(readFile(path), q4t::counterCsv(readings, &labels));
    QVERIFY(readFile(path).find("6,5,Tea,42\r\n") != std::string::npos);

    q4t::test::MessageBoxAnswerer answerer;
    QVERIFY(!view.exportCounters(dir.path()));
    QTRY_COMPARE(answerer.texts().size(), 1);
    QVERIFY(answerer.texts().first().startsWith(QStringLiteral("The counter readings could not be written to ")));
  }
};

QTEST_MAIN(RolloutWindowTest)
#include "RolloutWindowTest.moc"
