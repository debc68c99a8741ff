// The key layout window against a virtual keyboard that fails: tables the
// keyboard cannot hold, a keyboard lost during an Upload or while idle, a busy
// unit, and leaving the program while a transfer runs or ends.
#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyLabelsModel.h"
#include "editor/KeyLabelsPanel.h"
#include "model/KeyTableFile.h"
#include "sim/VirtualKeyboard.h"
#include "support/GuiTestSupport.h"
#include "support/LinkedProgram.h"
#include "ui/CommandIds.h"

using q4t::test::LinkedProgram;
using q4t::test::MessageBoxAnswerer;
namespace cmd = q4t::cmd;

namespace {

constexpr int kTransferMs = LinkedProgram::kTransferMs;

q4t::sim::Faults paced() {
  q4t::sim::Faults faults;
  faults.pace = true;  // a transfer takes long enough to act in its middle
  return faults;
}

// Notes every message box as it shows, however short; answers a save prompt
// No and leaves the others to the program.
class BoxWatcher : public QObject {
 public:
  BoxWatcher() {
    qApp->installEventFilter(this);
    connect(&timer_, &QTimer::timeout, this, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box && box->isVisible() && box->text().startsWith(QStringLiteral("Save changes")))
        box->button(QMessageBox::No)->click();
    });
    timer_.start(10);
  }
  const QStringList& texts() const { return texts_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box && event->type() == QEvent::Show) texts_ << box->text();
    return false;
  }

 private:
  QTimer timer_;
  QStringList texts_;
};

QStringList keyTexts(const q4t::CQ4TForm& form) {
  QStringList texts;
  for (int k = 0; k < q4t::kKeyCount; ++k) texts.append(form.layout().button(k)->text());
  return texts;
}

}  // namespace

class TransferFaultsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void aTableTheKeyboardCannotHoldWarnsOnceAndIsNeverDownloaded() {
    QTemporaryDir tableDir;
    const QString file = tableDir.filePath(QStringLiteral("odd.q4t"));
    QFile::copy(q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t"), file);
    q4t::KeyTable table;
    q4t::readKeyTable(file.toStdString(), table);
    q4t::LoadedKey odd;
    odd.value = 300;
    odd.size = 17;
    odd.right = table.entry(3).right;
    table.loadEntry(3, odd);
    QVERIFY(q4t::writeKeyTable(file.toStdString(), table));

    MessageBoxAnswerer answerer;
    LinkedProgram linked(q4t::sim::FactoryState(), {file});
    QVERIFY(linked.started);
    QCOMPARE(answerer.texts().size(), 1);
    QVERIFY2(answerer.texts()[0].contains(QStringLiteral("odd.q4t")), qPrintable(answerer.texts()[0]));
    QVERIFY(answerer.texts()[0].contains(QStringLiteral("key 3: VALUE=300")));
    QVERIFY(answerer.texts()[0].contains(QStringLiteral("key 3: SIZE=17")));
    QCOMPARE(linked.program.document()->title(), QStringLiteral("odd.q4t"));
    QCOMPARE(linked.program.form()->layout().button(3)->text(), QStringLiteral("300"));

    QVERIFY(linked.connect());
    QVERIFY(linked.router().run(cmd::kDownload));
    QCOMPARE(answerer.texts().size(), 2);
    QVERIFY2(answerer.texts()[1].contains(QStringLiteral("key 3: VALUE=300")), qPrintable(answerer.texts()[1]));
    QTest::qWait(300);
    QCOMPARE(linked.requestsWith(q4t::command::WriteMemory), 0);
    QCOMPARE(linked.requestsWith(q4t::command::TransferMode), 3);  // only the Connect's
    QVERIFY(linked.enabled(cmd::kDownload) && linked.enabled(cmd::kUpload) && linked.enabled(cmd::kPort));
  }

  void aKeyboardLostDuringAnUploadLeavesTheWindowAsItWas() {
    LinkedProgram linked;
    linked.keyboard.setFaults(paced());
    QVERIFY(linked.started);
    QVERIFY(linked.connect());
    q4t::CQ4TForm* form = linked.program.form();
    const QStringList before = keyTexts(*form);
    const std::size_t connectRequests = linked.keyboard.requests().size();
    linked.keyboard.editState([](q4t::sim::KeyboardState& state) {
      for (int k = 0; k < q4t::kKeyCount; ++k) state.setKeyValue(k, 200);
    });
    QVERIFY(linked.router().run(cmd::kUpload));
    QVERIFY(QTest::qWaitFor([&] { return linked.keyboard.requests().size() >= connectRequests + 5; }));  // two value blocks
    linked.keyboard.stop();
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("ERROR: COM port"), kTransferMs);
    QCOMPARE(keyTexts(*form), before);
    QCOMPARE(form->table().entry(40).value, 41);
    QVERIFY(!linked.program.document()->isModified());
    QVERIFY(linked.enabled(cmd::kDownload) && linked.enabled(cmd::kUpload) && linked.enabled(cmd::kPort));
  }

  void anIdleKeyboardLostEndsTheLinkAndTheNextConnectWorks() {
    LinkedProgram linked;
    QVERIFY(linked.started);
    QVERIFY(linked.connect());
    linked.keyboard.stop();
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("ERROR: COM port"), 2000);
    QVERIFY(linked.enabled(cmd::kPort));
    QVERIFY(!linked.enabled(cmd::kReadTco));
    q4t::sim::VirtualKeyboard second;
    QVERIFY(second.start(linked.portPath()));
    QVERIFY(linked.connect());
  }

  void aUnitBusyForEverEndsReadTcoWithCommandsEnabled() {
    q4t::sim::Faults busy;
    busy.busyUnits = {0};
    LinkedProgram linked;
    linked.keyboard.setFaults(busy);
    QVERIFY(linked.started);
    QVERIFY(linked.connect());
    QVERIFY(linked.router().run(cmd::kUpload));  // Read TCO values is offered after a transfer
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle() && linked.enabled(cmd::kReadTco), kTransferMs);
    QVERIFY(linked.router().run(cmd::kReadTco));
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("ERROR: COM port"), 5000);
    QVERIFY(linked.enabled(cmd::kDownload) && linked.enabled(cmd::kUpload) && linked.enabled(cmd::kPort));
  }

  // No keeps the program and its transfer; Yes ends transfer mode first.
  void leavingDuringADownloadAsksFirstAndEndsTransferMode() {
    LinkedProgram linked;
    linked.keyboard.setFaults(paced());
    QVERIFY(linked.started);
    QVERIFY(linked.connect());
    QVERIFY(linked.router().run(cmd::kDownload));
    {
      MessageBoxAnswerer keep(QMessageBox::No);
      QVERIFY(linked.router().run(cmd::kFileClose));
      // opening another table would close this window
      linked.program.app().openDocumentFile(q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t"));
      QCOMPARE(keep.texts().size(), 2);
      QVERIFY(keep.texts()[0].contains(QStringLiteral("transfer")));
      QCOMPARE(keep.texts()[1], keep.texts()[0]);
    }
    QCOMPARE(linked.program.app().keyLayoutTemplate().documents().size(), 1);
    QCOMPARE(linked.program.document()->title(), QStringLiteral("New"));
    QVERIFY(linked.program.form()->link().transferRunning());
    const std::size_t sent = linked.keyboard.requests().size();
    {
      MessageBoxAnswerer leave(QMessageBox::Yes);
      linked.program.app().mainFrame().close();
      QCOMPARE(leave.texts().size(), 1);
    }
    QVERIFY(linked.program.app().keyLayoutTemplate().documents().isEmpty());
    // the keyboard logs a request once it has answered it
    QVERIFY(QTest::qWaitFor([&] { return linked.keyboard.requests().back()[2] == 3; }, 2000));
    const auto requests = linked.keyboard.requests();
    QVERIFY(requests.size() >= sent + 3);
    for (std::uint8_t unit = 1; unit <= 3; ++unit) {
      const auto& request = requests[requests.size() - 4 + unit];
      QCOMPARE(request[2], unit);
      QCOMPARE(request[4], q4t::command::TransferMode);
      QCOMPARE(request[5], std::uint8_t(1));
    }
  }

  // A label still being typed is taken before the Download; a Download that
  // ends while the leave question is up answers it, and the close goes on.
  void aTransferEndingWhileItsLeaveQuestionIsUpLetsTheWindowClose() {
    LinkedProgram linked;
    QVERIFY(linked.started);
    QVERIFY(linked.connect());
    linked.router().run(cmd::kViewKeyLabels);
    QTableView& list = linked.program.app().keyLabels().table();
    const q4t::KeyLabelsModel& model = linked.program.app().keyLabels().model();
    list.edit(model.index(model.rowOf(7), q4t::KeyLabelsModel::LabelColumn));
    QTest::keyClicks(list.findChild<QLineEdit*>(), QStringLiteral("Kasse"));
    QVERIFY(linked.router().run(cmd::kDownload));
    QCOMPARE(linked.program.form()->table().label(7), std::string("Kasse"));

    BoxWatcher boxes;
    QVERIFY(linked.router().run(cmd::kFileClose));
    QCOMPARE(boxes.texts().size(), 2);
    QVERIFY(boxes.texts()[0].contains(QStringLiteral("Leave it unfinished?")));
    QCOMPARE(boxes.texts()[1], QStringLiteral("Save changes to New?"));
    QVERIFY(linked.program.app().keyLayoutTemplate().documents().isEmpty());
  }
};

QTEST_MAIN(TransferFaultsTest)
#include "TransferFaultsTest.moc"
