// Details of the main window a user meets: window titles as set, the menus as
// screen readers see them after each menu switch, Shift+F10 on a key, and
// pane 0 after a menu or toolbar prompt.
#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyContextMenu.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

// The shown items of every menu of the menu bar that a screen reader is told
// are invisible while their menu is open.
QStringList itemsHiddenFromScreenReaders(const q4t::CMainFrame& frame) {
  QStringList hidden;
  for (const QAction* title : frame.menuBar()->actions()) {
    QMenu* menu = title->menu();
    menu->popup(frame.mapToGlobal(QPoint(10, 10)));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(menu);
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < items.size(); ++i) {
      if (items[i]->isSeparator() || !items[i]->isVisible()) continue;
      if (reader->child(i)->state().invisible) hidden << title->text() + QLatin1Char('>') + items[i]->text();
    }
    menu->hide();
  }
  return hidden;
}

void sendPromptEnd(q4t::CMainFrame& frame) {
  QStatusTipEvent leave{QString()};  // what a toolbar button sends when the pointer leaves it
  QApplication::sendEvent(&frame, &leave);
}

}  // namespace

class WindowDetailsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void titlesAreTheProgramsOwn() {
    // The platform adds a display name set of its own to every window title;
    // the program's follows its name instead.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    const QString displayName = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    QCOMPARE(displayName, QStringLiteral("probe"));

    ProgramFixture program;
    QVERIFY(program.start());
    QCOMPARE(program.app().mainFrame().windowTitle(), QStringLiteral("Dev Izured for Q4T Keyboard - New"));
  }

  void everyShownMenuItemReachesScreenReaders() {
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::CMainFrame& frame = program.app().mainFrame();
    QCOMPARE(frame.menuBar()->actions().size(), 6);
    QCOMPARE(itemsHiddenFromScreenReaders(frame), QStringList());
    program.app().router().run(cmd::kFileClose);
    QCOMPARE(frame.menuBar()->actions().size(), 3);
    QCOMPARE(itemsHiddenFromScreenReaders(frame), QStringList());
    QVERIFY(program.app().newDocument());
    QCOMPARE(itemsHiddenFromScreenReaders(frame), QStringList());
  }

  void shiftF10OpensTheKeyMenu() {
    ProgramFixture program;
    QVERIFY(program.start({program.writeTable(QStringLiteral("k.q4t"), [](q4t::KeyTable& t) { t.mergeRight(7); })}));
    q4t::KeyButton* key = program.form()->layout().button(7);
    key->setFocus();
    QString shownAt;
    QTimer::singleShot(50, qApp, [&] {
      auto* menu = qobject_cast<q4t::KeyContextMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      shownAt = key->rect().contains(key->mapFromGlobal(menu->pos())) ? QStringLiteral("on key") : QStringLiteral("off");
      menu->close();
    });
    QTest::keyClick(key, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(shownAt, QStringLiteral("on key"));
    QVERIFY(program.form()->contextMenu().item(cmd::kDoubleKeyRight)->isChecked());  // prepared for key 7
  }

  void paneZeroShowsTheLastStatusAfterAPrompt() {
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::CMainFrame& frame = program.app().mainFrame();
    q4t::StatusPanes& panes = frame.statusPanes();
    QAction* download = program.app().router().action(cmd::kDownload);

    download->showStatusText(&frame);
    QCOMPARE(panes.text(), download->statusTip());
    sendPromptEnd(frame);
    QCOMPARE(panes.text(), QStringLiteral("Ready"));

    program.form()->ShowStatus("ERROR: Transfer Timeout");
    download->showStatusText(&frame);
    QCOMPARE(panes.text(), download->statusTip());
    sendPromptEnd(frame);
    QCOMPARE(panes.text(), QStringLiteral("ERROR: Transfer Timeout"));

    download->showStatusText(&frame);
    QMenu* file = frame.menuBar()->actions().first()->menu();
    file->popup(QPoint(0, 0));
    file->hide();
    QCOMPARE(panes.text(), QStringLiteral("ERROR: Transfer Timeout"));
  }
};

QTEST_MAIN(WindowDetailsTest)
#include "WindowDetailsTest.moc"
