// The program's windows against the virtual keyboard on a pseudo-terminal:
// Port, Connect, Upload, Download, Read TCO values and the licence box, each
// ending in its status text in pane 0.
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "support/LinkedProgram.h"
#include "tco/CTCOView.h"
#include "ui/CommandIds.h"

using q4t::test::LinkedProgram;
namespace cmd = q4t::cmd;

namespace {
constexpr int kTransferMs = LinkedProgram::kTransferMs;
}

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void transfersAgainstTheVirtualKeyboard() {
    LinkedProgram linked(q4t::test::doubleKeyAt60());
    QVERIFY2(linked.started, linked.keyboard.lastError().c_str());
    QVERIFY(linked.connect());
    docview::CommandRouter& router = linked.router();
    q4t::CQ4TForm* form = linked.program.form();
    QVERIFY(router.action(cmd::kUpload)->isEnabled() && router.action(cmd::kDownload)->isEnabled());

    // Labels stay only on keys the Upload leaves as they were: 0, not 60 and 61.
    for (int k : {0, 60, 61}) form->setKeyLabel(k, QStringLiteral("Label %1").arg(k));
    QVERIFY(linked.transfer(cmd::kUpload, QStringLiteral("OK: Upload successful")));
    QVERIFY(linked.program.document()->isModified());
    QCOMPARE(form->table().label(0), std::string("Label 0"));
    QVERIFY(form->table().label(60).empty() && form->table().label(61).empty());
    QVERIFY(form->layout().button(60)->toolTip().isEmpty());
    QCOMPARE(form->layout().button(60)->width(), 66);
    QVERIFY(form->layout().button(61)->isHidden());
    QVERIFY(form->layout().button(5)->isOwnerDrawn());  // counter 6
    QVERIFY(router.action(cmd::kReadTco)->isEnabled());

    q4t::test::editKeyValue(*form, 0, QStringLiteral("50"));
    QVERIFY(linked.transfer(cmd::kDownload, QStringLiteral("OK: Download and verify successful")));
    QCOMPARE(linked.keyboard.state().keyValue(0), 50);
    QCOMPARE(linked.keyboard.state().keySize(60), std::uint8_t(2));

    QVERIFY(router.run(cmd::kReadTco));
    auto* tco = qobject_cast<q4t::CTCOView*>(linked.program.app().mainFrame().activeChild()->view());
    QVERIFY(tco);
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle() && tco->counterList()->topLevelItemCount() == 30, kTransferMs);
    QCOMPARE(tco->serialNumberField()->text(), QStringLiteral("Q4T-0001234"));
    QCOMPARE(tco->counterList()->topLevelItem(6)->text(1), QStringLiteral("5"));
    QVERIFY(!tco->licenseBox()->isChecked());

    QTest::mouseClick(tco->licenseBox(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("OK: California driver license changed"), kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(linked.keyboard.state().license() != 0, kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle(), kTransferMs);
  }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
