// Download in the window keeps the keyboard's table first: the preview's
// Cancel and a table that cannot be kept both leave the keyboard as it was.
#include <QDialog>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/CMainFrame.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "editor/CQ4TForm.h"
#include "link/SerialPort.h"
#include "sim/VirtualKeyboard.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"
#include "ui/DownloadPreviewDlg.h"

using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {
constexpr int kTransferMs = 30000;

// Write requests the keyboard has received: command byte 0x0A.
int writesReceived(const q4t::sim::VirtualKeyboard& keyboard) {
  int writes = 0;
  for (const auto& request : keyboard.requests()) writes += request.size() > 4 && request[4] == 0x0A;
  return writes;
}
}  // namespace

class KeptDownloadWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void cancelAndAFailedKeepWriteNothing() {
    QTemporaryDir portDir, data;
    qputenv("Q4T_PORT_DIR", portDir.path().toLocal8Bit());
    q4t::sim::VirtualKeyboard keyboard(q4t::sim::FactoryState());
    QVERIFY(keyboard.start(portDir.filePath(QStringLiteral("COM1")).toStdString()));
    ProgramFixture program;
    QSettings().setValue(QStringLiteral("Download/showChanges"), true);
    program.shared.makePort = [] { return std::make_shared<q4t::CSerialPort>(); };
    QVERIFY(program.start());
    docview::CommandRouter& router = program.app().router();
    const q4t::StatusPanes& panes = program.app().mainFrame().statusPanes();
    q4t::CQ4TForm* form = program.form();
    const auto idle = [form] { return form->link().phase() == q4t::LinkPhase::Idle; };
    q4t::test::confirmNextPortDialog();
    QVERIFY(router.run(cmd::kPort));
    QTRY_VERIFY_WITH_TIMEOUT(idle() && panes.text() == QStringLiteral("OK: Keyboard connected"), kTransferMs);
    q4t::test::editKeyValue(*form, 3, QStringLiteral("44"));

    // The preview comes up once the table is kept; Cancel writes nothing.
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    bool previewShown = false;
    q4t::test::whenModal([&previewShown](QWidget* modal) {
      previewShown = qobject_cast<q4t::DownloadPreviewDlg*>(modal) != nullptr;
      qobject_cast<QDialog*>(modal)->reject();
    });
    QVERIFY(router.run(cmd::kDownload));
    QTRY_VERIFY_WITH_TIMEOUT(previewShown, kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle() && router.action(cmd::kDownload)->isEnabled(), kTransferMs);
    QCOMPARE(writesReceived(keyboard), 0);
    QVERIFY(QFile::exists(data.filePath(QStringLiteral("q4t-programmer/keyboards"))));

    // A table that cannot be kept: the user is asked, No writes nothing.
    const QString notAFolder = data.filePath(QStringLiteral("file"));
    QFile(notAFolder).open(QIODevice::WriteOnly);
    qputenv("XDG_DATA_HOME", notAFolder.toLocal8Bit());
    MessageBoxAnswerer no(QMessageBox::No);
    QVERIFY(router.run(cmd::kDownload));
    QTRY_COMPARE_WITH_TIMEOUT(no.texts().size(), 1, kTransferMs);
    QVERIFY2(no.texts().first().startsWith(QLatin1String("The keyboard's table could not be kept")),
             qPrintable(no.texts().first()));
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kTransferMs);
    QCOMPARE(writesReceived(keyboard), 0);
    QCOMPARE(keyboard.state().keyValue(3), 4);

    // Yes downloads without keeping (the preview turned off).
    QSettings().setValue(QStringLiteral("Download/showChanges"), false);
    no.setButton(QMessageBox::Yes);
    QVERIFY(router.run(cmd::kDownload));
    QTRY_COMPARE_WITH_TIMEOUT(panes.text(), QStringLiteral("OK: Download and verify successful"), kTransferMs);
    QCOMPARE(keyboard.state().keyValue(3), 44);
  }
};

QTEST_MAIN(KeptDownloadWindowTest)
#include "KeptDownloadWindowTest.moc"
