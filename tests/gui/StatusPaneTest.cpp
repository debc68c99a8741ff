// Pane 0's tool tip: what the status texts alone cannot tell after a failed
// connect, the texts in their order and the cause of the failure; the message
// box that names the device, the reason and, when permission was refused, the fix.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ui/CComPortDlg.h"
#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "link/SerialPort.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"

namespace {

// A serial port (on a device that is not there) whose open counts as refused
// for want of permission, as for a user outside the dialout group.
class DeniedPort : public q4t::CSerialPort {
 public:
  std::string LastError() const override { return "/dev/ttyS299: Permission denied"; }
  bool LastOpenDenied() const override { return true; }
};

}  // namespace

class StatusPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void failedConnectKeepsItsTextsAndNamesTheDevice_data() {
    QTest::addColumn<bool>("denied");
    QTest::newRow("no such device") << false;
    QTest::newRow("permission refused") << true;
  }

  void failedConnectKeepsItsTextsAndNamesTheDevice() {
    QFETCH(bool, denied);
    QTemporaryDir ports;  // no COM300 here, so the port is looked for as /dev/ttyS299
    qputenv("Q4T_PORT_DIR", ports.path().toLocal8Bit());
    q4t::test::ProgramFixture program;
    program.shared.makePort = [denied] {
      auto port = denied ? std::make_shared<DeniedPort>() : std::make_shared<q4t::CSerialPort>();
      return port->Create() ? port : nullptr;
    };
    QVERIFY(program.start());
    q4t::test::MessageBoxAnswerer answerer;
    q4t::test::whenModal([](QWidget* dialog) {
      auto* portDialog = qobject_cast<q4t::CComPortDlg*>(dialog);
      portDialog->portBox()->setEditText(QStringLiteral("COM300"));
      portDialog->connectButton()->click();
    });
    QVERIFY(program.app().router().run(q4t::cmd::kPort));

    const QLabel& pane = program.app().mainFrame().statusPanes().messagePane();
    QCOMPARE(pane.text(), QStringLiteral("ERROR: Connect to keyboard"));
    const QString tip = pane.toolTip();
    QVERIFY2(tip.contains(QLatin1String("ttyS299")), qPrintable(tip));
    const qsizetype openError = tip.indexOf(QLatin1String("ERROR: Open COM Port"));
    QVERIFY(openError >= 0 && openError < tip.indexOf(QLatin1String("ERROR: Connect to keyboard")));
    QVERIFY(!program.shared.port);

    QTRY_COMPARE(answerer.texts().size(), 1);
    const QString box = answerer.texts().front();
    QCOMPARE(answerer.icons().front(), QMessageBox::Warning);
    QVERIFY2(box.contains(QLatin1String("COM300")) && box.contains(QLatin1String("/dev/ttyS299: ")), qPrintable(box));
    QVERIFY2(box.contains(QLatin1String(denied ? "Permission denied" : "No such file or directory")), qPrintable(box));
    QCOMPARE(box.contains(QLatin1String("sudo adduser $USER dialout, then log in again")), denied);
    QCOMPARE(tip.contains(QLatin1String("sudo adduser $USER dialout")), denied);
    QCOMPARE(pane.text(), QStringLiteral("ERROR: Connect to keyboard"));
  }
};

QTEST_MAIN(StatusPaneTest)
#include "StatusPaneTest.moc"
