// Pane 0's tool tip: what the status texts alone cannot tell after a failed
// connect, the texts in their order and the cause of the failure.
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
#include "support/ProgramFixture.h"

class StatusPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void failedConnectKeepsItsTextsAndNamesTheDevice() {
    QTemporaryDir ports;  // no COM300 here, so the port is looked for as /dev/ttyS299
    qputenv("Q4T_PORT_DIR", ports.path().toLocal8Bit());
    q4t::test::ProgramFixture program;
    program.shared.makePort = [] {
      auto port = std::make_shared<q4t::CSerialPort>();
      return port->Create() ? port : nullptr;
    };
    QVERIFY(program.start());
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
  }
};

QTEST_MAIN(StatusPaneTest)
#include "StatusPaneTest.moc"
