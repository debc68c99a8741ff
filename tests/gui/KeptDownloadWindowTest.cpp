// Download in the window keeps the keyboard's table first: the preview's
// Cancel and a table that cannot be kept both leave the keyboard as it was.
#include <QDialog>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "docview/CommandRouter.h"
#include "editor/CQ4TForm.h"
#include "support/GuiTestSupport.h"
#include "support/LinkedProgram.h"
#include "ui/CommandIds.h"
#include "ui/DownloadPreviewDlg.h"

using q4t::test::LinkedProgram;
using q4t::test::MessageBoxAnswerer;
namespace cmd = q4t::cmd;

namespace {
constexpr int kTransferMs = LinkedProgram::kTransferMs;
}

class KeptDownloadWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void cancelAndAFailedKeepWriteNothing() {
    QTemporaryDir data;
    LinkedProgram linked;
    QSettings().setValue(QStringLiteral("Download/showChanges"), true);
    QVERIFY(linked.started && linked.connect());
    docview::CommandRouter& router = linked.router();
    q4t::test::editKeyValue(*linked.program.form(), 3, QStringLiteral("44"));

    // The preview comes up once the table is kept; Cancel writes nothing.
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    bool previewShown = false;
    q4t::test::whenModal([&previewShown](QWidget* modal) {
      previewShown = qobject_cast<q4t::DownloadPreviewDlg*>(modal) != nullptr;
      qobject_cast<QDialog*>(modal)->reject();
    });
    QVERIFY(router.run(cmd::kDownload));
    QTRY_VERIFY_WITH_TIMEOUT(previewShown, kTransferMs);
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle() && router.action(cmd::kDownload)->isEnabled(), kTransferMs);
    QCOMPARE(linked.requestsWith(q4t::command::WriteMemory), 0);
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
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle(), kTransferMs);
    QCOMPARE(linked.requestsWith(q4t::command::WriteMemory), 0);
    QCOMPARE(linked.keyboard.state().keyValue(3), 4);

    // Yes downloads without keeping (the preview turned off).
    QSettings().setValue(QStringLiteral("Download/showChanges"), false);
    no.setButton(QMessageBox::Yes);
    QVERIFY(router.run(cmd::kDownload));
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("OK: Download and verify successful"), kTransferMs);
    QCOMPARE(linked.keyboard.state().keyValue(3), 44);
  }
};

QTEST_MAIN(KeptDownloadWindowTest)
#include "KeptDownloadWindowTest.moc"
