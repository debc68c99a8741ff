// Opening a key layout through File > Open and closing it again, over and
// over, leaves next to nothing behind on the heap.
#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <malloc.h>

#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "ui/CommandIds.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"

using q4t::KeyTable;
using q4t::test::ProgramFixture;

namespace {

constexpr int kWarmUpCycles = 10;
constexpr int kMeasuredCycles = 50;
// Each fresh file dialog used to leave about 12 to 25 kB of icon pixmaps behind.
constexpr qint64 kAllowedBytesPerCycle = 8 * 1024;

// Bytes the program holds from the heap, mapped blocks included.
qint64 heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return qint64(info.uordblks) + qint64(info.hblkhd);
}

}  // namespace

class LayoutMemoryTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void openCloseCyclesLeaveNoMemoryBehind() {
    ProgramFixture program;
    program.writeTable(QStringLiteral("a.q4t"), [](KeyTable&) {});
    QVERIFY(program.start());
    const auto cycle = [&] {
      q4t::test::whenModal([](QWidget* dialog) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // The kept dialog knows the folder by now; its completion list would
        // take typed keys and the Return.
        name->setText(QStringLiteral("a.q4t"));
        if (name->completer()) name->completer()->popup()->hide();
        QTest::keyClick(name, Qt::Key_Return);
      });
      QVERIFY(program.app().router().run(q4t::cmd::kFileOpen));
      QCOMPARE(program.document()->title(), QStringLiteral("a.q4t"));
      QVERIFY(program.app().router().run(q4t::cmd::kFileClose));
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QCoreApplication::processEvents();
    };
    for (int i = 0; i < kWarmUpCycles; ++i) cycle();
    const qint64 before = heapInUse();
    for (int i = 0; i < kMeasuredCycles; ++i) cycle();
    const qint64 growth = heapInUse() - before;
    qInfo("%d open and close cycles after %d: heap %+lld bytes", kMeasuredCycles, kWarmUpCycles, growth);
    QVERIFY2(growth < kMeasuredCycles * kAllowedBytesPerCycle, qPrintable(QString::number(growth)));
  }
};

QTEST_MAIN(LayoutMemoryTest)
#include "LayoutMemoryTest.moc"
