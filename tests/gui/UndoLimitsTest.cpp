// Undo against the virtual keyboard and at its limits: an Upload undone to
// the table the window held, labels included; Undo, Redo and Paste greyed
// while a transfer runs; 10,000 edits kept in little memory and all undone
// within a second.
#include <QElapsedTimer>
#include <QClipboard>
#include <QDockWidget>
#include <QTest>
#include <QUndoStack>
#include <QUndoView>
#include <ctime>
#include <malloc.h>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableText.h"
#include "support/LinkedProgram.h"
#include "ui/CommandIds.h"

using q4t::test::LinkedProgram;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

constexpr int kManyEdits = 10000;
// A command holds the few keys and faces its edit changed: well under 1 kB.
constexpr qint64 kAllowedBytesPerEdit = 1024;

std::string written(const q4t::KeyTable& table) {
  std::string bytes;
  q4t::mergeKeyTable("", table, bytes);
  return bytes;
}

qint64 heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return qint64(info.uordblks) + qint64(info.hblkhd);
}

}  // namespace

class UndoLimitsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  // Upload undone: the window's previous table, labels and keys as shown;
  // then, while a Download runs, Undo, Redo, Paste and the list greyed.
  void anUploadIsUndoneAndNothingIsUndoneWhileATransferRuns() {
    LinkedProgram linked(q4t::test::doubleKeyAt60());
    QVERIFY(linked.started && linked.connect());
    q4t::CQ4TForm& form = *linked.program.form();
    for (int k : {0, 60, 61}) form.setKeyLabel(k, QStringLiteral("Label %1").arg(k));
    const std::string before = written(form.table());
    const q4t::KeyFaces facesBefore = form.layout().faces();
    const q4t::TcoCounterTable countersBefore = form.table().counters();

    QVERIFY(linked.transfer(cmd::kUpload, QStringLiteral("OK: Upload successful")));
    const std::string uploaded = written(form.table());
    QVERIFY(uploaded != before && form.table().label(60).empty());
    QCOMPARE(linked.router().action(cmd::kEditUndo)->text(), QStringLiteral("&Undo Upload from Keyboard\tCtrl+Z"));
    QVERIFY(linked.router().run(cmd::kEditUndo));
    QVERIFY(written(form.table()) == before);
    QVERIFY(form.layout().faces() == facesBefore);
    QVERIFY(form.table().counters() == countersBefore);  // readings and owners, as the window held them
    QVERIFY(!form.layout().button(60)->toolTip().isEmpty());
    QVERIFY(linked.router().run(cmd::kEditRedo));
    QVERIFY(written(form.table()) == uploaded);
    QVERIFY(form.layout().button(61)->isHidden());
    // An Upload that brings the table the window holds adds nothing to undo.
    const int commands = form.undoStack().count();
    QVERIFY(linked.transfer(cmd::kUpload, QStringLiteral("OK: Upload successful")));
    QCOMPARE(form.undoStack().count(), commands);
    QVERIFY(linked.router().run(cmd::kEditUndo));

    form.layout().button(4)->setFocus();
    auto* history = linked.program.app().mainFrame().undoHistoryDock().findChild<QUndoView*>();
    q4t::sim::Faults paced;
    paced.pace = true;
    linked.keyboard.setFaults(paced);
    QVERIFY(linked.router().run(cmd::kDownload));
    QVERIFY(form.link().transferRunning());
    QVERIFY(!linked.enabledInMenu(cmd::kEditUndo) && !linked.enabledInMenu(cmd::kEditRedo) &&
            !linked.enabledInMenu(cmd::kEditPaste));
    QVERIFY(linked.enabledInMenu(cmd::kEditCopy));
    QVERIFY(!history->isEnabled());
    QVERIFY(!linked.router().run(cmd::kEditUndo));
    QCOMPARE(form.undoStack().index(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(linked.idle(), LinkedProgram::kTransferMs);
    QVERIFY(linked.enabledInMenu(cmd::kEditUndo) && linked.enabledInMenu(cmd::kEditRedo) &&
            linked.enabledInMenu(cmd::kEditPaste));
    QVERIFY(history->isEnabled());
  }

  void tenThousandEditsTakeLittleMemoryAndAreAllUndoneWithinASecond() {
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::CQ4TForm& form = *program.form();
    docview::CommandRouter& router = program.app().router();
    const std::string opened = written(form.table());
    const qint64 heapBefore = heapInUse();
    for (int i = 0; i < kManyEdits; ++i) {
      form.layout().button(i % q4t::kKeyCount)->setFocus();
      QGuiApplication::clipboard()->setText(QStringLiteral("%1\tItem %2").arg(i % 93).arg(i));
      router.run(cmd::kEditPaste);
    }
    const qint64 bytesPerEdit = (heapInUse() - heapBefore) / kManyEdits;
    QCOMPARE(form.undoStack().count(), kManyEdits);

    // Ctrl+Z pressed for each; timed by the processor, as other programs may share it.
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    while (router.run(cmd::kEditUndo)) {}
    const qint64 cpuMs = qint64(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
    qInfo("%d edits: %lld bytes each on the heap; undoing all took %lld ms (%lld ms of processor time)", kManyEdits,
          bytesPerEdit, wall.elapsed(), cpuMs);
    QVERIFY(written(form.table()) == opened);
    QVERIFY2(bytesPerEdit < kAllowedBytesPerEdit, qPrintable(QString::number(bytesPerEdit)));
    QVERIFY2(cpuMs < 1000, qPrintable(QString::number(cpuMs)));
  }
};

QTEST_MAIN(UndoLimitsTest)
#include "UndoLimitsTest.moc"
