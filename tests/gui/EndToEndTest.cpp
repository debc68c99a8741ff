// The program's windows against the virtual keyboard on a pseudo-terminal:
// Port, Connect, Upload, Download, Read TCO values and the licence box, each
// ending in its status text in pane 0.
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "link/SerialPort.h"
#include "sim/VirtualKeyboard.h"
#include "support/ProgramFixture.h"
#include "tco/CTCOView.h"

using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {
constexpr int kTransferMs = 30000;
}

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void transfersAgainstTheVirtualKeyboard() {
    QTemporaryDir portDir;
    qputenv("Q4T_PORT_DIR", portDir.path().toLocal8Bit());
    q4t::sim::KeyboardState state = q4t::sim::FactoryState();
    state.setKeySize(60, q4t::KeySize::DoubleRight);  // covers 61
    state.setKeySize(61, q4t::KeySize::Covered);
    q4t::sim::VirtualKeyboard keyboard(state);
    QVERIFY2(keyboard.start(portDir.filePath(QStringLiteral("COM1")).toStdString()), keyboard.lastError().c_str());

    ProgramFixture program;
    program.shared.makePort = [] { return std::make_shared<q4t::CSerialPort>(); };
    QVERIFY(program.start());
    docview::CommandRouter& router = program.app().router();
    const q4t::StatusPanes& panes = program.app().mainFrame().statusPanes();
    q4t::CQ4TForm* form = program.form();
    const auto idle = [form] { return form->link().phase() == q4t::LinkPhase::Idle; };

    q4t::test::confirmNextPortDialog();
    QVERIFY(router.run(cmd::kPort));
    QTRY_COMPARE_WITH_TIMEOUT(panes.text(), QStringLiteral("OK: Keyboard connected"), kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kTransferMs);
    QVERIFY(router.action(cmd::kUpload)->isEnabled() && router.action(cmd::kDownload)->isEnabled());

    // Labels stay only on keys the Upload leaves as they were: 0, not 60 and 61.
    for (int k : {0, 60, 61}) form->setKeyLabel(k, QStringLiteral("Label %1").arg(k));
    QVERIFY(router.run(cmd::kUpload));
    QTRY_COMPARE_WITH_TIMEOUT(panes.text(), QStringLiteral("OK: Upload successful"), kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kTransferMs);
    QVERIFY(program.document()->isModified());
    QCOMPARE(form->table().label(0), std::string("Label 0"));
    QVERIFY(form->table().label(60).empty() && form->table().label(61).empty());
    QVERIFY(form->layout().button(60)->toolTip().isEmpty());
    QCOMPARE(form->layout().button(60)->width(), 66);
    QVERIFY(form->layout().button(61)->isHidden());
    QVERIFY(form->layout().button(5)->isOwnerDrawn());  // counter 6
    QVERIFY(router.action(cmd::kReadTco)->isEnabled());

    q4t::test::editKeyValue(*form, 0, QStringLiteral("50"));
    QVERIFY(router.run(cmd::kDownload));
    QTRY_COMPARE_WITH_TIMEOUT(panes.text(), QStringLiteral("OK: Download and verify successful"), kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kTransferMs);
    QCOMPARE(keyboard.state().keyValue(0), 50);
    QCOMPARE(keyboard.state().keySize(60), std::uint8_t(2));

    QVERIFY(router.run(cmd::kReadTco));
    auto* tco = qobject_cast<q4t::CTCOView*>(program.app().mainFrame().activeChild()->view());
    QVERIFY(tco);
    QTRY_VERIFY_WITH_TIMEOUT(idle() && tco->counterList()->topLevelItemCount() == 30, kTransferMs);
    QCOMPARE(tco->serialNumberField()->text(), QStringLiteral("Q4T-0001234"));
    QCOMPARE(tco->counterList()->topLevelItem(6)->text(1), QStringLiteral("5"));
    QVERIFY(!tco->licenseBox()->isChecked());

    QTest::mouseClick(tco->licenseBox(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(panes.text(), QStringLiteral("OK: California driver license changed"), kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(keyboard.state().license() != 0, kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(), kTransferMs);
  }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
