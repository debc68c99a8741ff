// Command routing, menus, bars, status prompts and accelerators of the main
// window with a key layout window, the TCO window, or no child window active.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "tco/CTCOView.h"
#include "support/ProgramFixture.h"

using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

const int kCommands[] = {cmd::kFileNew, cmd::kFileOpen, cmd::kFileClose, cmd::kFileSave, cmd::kDownload,
                         cmd::kUpload, cmd::kReadTco, cmd::kPort, cmd::kHelpDevIzured, cmd::kAbout,
                         cmd::kExit, cmd::kViewToolbar, cmd::kViewStatusBar};

// One character per command above: 1 enabled, 0 disabled, as the router and
// the actions both have it.
QString enabledStates(const docview::CommandRouter& router) {
  QString states;
  for (int id : kCommands) {
    const auto state = router.stateOf(id);
    const bool enabled = state && state->enabled;
    states += enabled == router.action(id)->isEnabled() ? QChar(enabled ? '1' : '0') : QChar('?');
  }
  return states;
}

QString menuTitles(const q4t::CMainFrame& frame) {
  QStringList titles;
  for (const QAction* menu : frame.menuBar()->actions()) titles << menu->text();
  return titles.join(QLatin1Char('|'));
}

// The File menu's shown items, "-" for a separator, up to the recent files.
QString fileMenu(const q4t::CMainFrame& frame) {
  QStringList items;
  for (const QAction* item : frame.menuBar()->actions().first()->menu()->actions()) {
    if (item->data().toInt() == cmd::kFirstRecentFile) break;
    items << (item->isSeparator() ? QStringLiteral("-") : item->text());
  }
  return items.join(QLatin1Char('|'));
}

const QString kFileMenuOfAChild = QStringLiteral(
    "&New\tCtrl+N|&Open...\tCtrl+O|&Close|&Save\tCtrl+S|Save &As...|-|&Print...\tCtrl+P|Print Pre&view...|"
    "&Export...|-");

}  // namespace

class RoutingMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void routingTableInEachWindowState() {
    ProgramFixture program;
    const QString path = program.writeTable(QStringLiteral("a.q4t"), [](q4t::KeyTable&) {});
    QVERIFY(program.start({path}));
    q4t::CMainFrame& frame = program.app().mainFrame();
    docview::CommandRouter& router = program.app().router();
    QCOMPARE(enabledStates(router), QStringLiteral("1111000111111"));
    QCOMPARE(menuTitles(frame), QStringLiteral("&File|&Edit|&KeyTable|&Interface|&View|&Help"));
    QCOMPARE(fileMenu(frame), kFileMenuOfAChild);
    QCOMPARE(frame.windowTitle(), QStringLiteral("Dev Izured for Q4T Keyboard - a.q4t"));

    docview::Document* layout = program.document();
    layout->setTitle(QStringLiteral("b.q4t"));  // as a save under a new name does
    QCOMPARE(frame.windowTitle(), QStringLiteral("Dev Izured for Q4T Keyboard - b.q4t"));
    docview::Document* tco = program.app().tcoTemplate().openDocument({});
    QVERIFY(tco && frame.activeChild()->document() == tco);
    QCOMPARE(enabledStates(router), QStringLiteral("1111111011111"));
    QCOMPARE(menuTitles(frame), QStringLiteral("&File|&Edit|&KeyTable|&Interface|&View|&Help"));
    QCOMPARE(fileMenu(frame), kFileMenuOfAChild);
    // Forwarded commands do nothing without an owner, and act in the owner's window with one.
    layout->setModified(true);
    QVERIFY(router.run(cmd::kFileSave));
    QVERIFY(layout->isModified());
    program.shared.tcoOwnerForm = qobject_cast<q4t::CQ4TForm*>(layout->firstView());
    QVERIFY(router.run(cmd::kFileSave));
    QVERIFY(!layout->isModified());
    QVERIFY(!router.run(cmd::kPort));

    QVERIFY(router.run(cmd::kFileClose));
    QVERIFY(router.run(cmd::kFileClose));
    QVERIFY(frame.activeChild() == nullptr);
    QCOMPARE(enabledStates(router), QStringLiteral("1100000001111"));
    QCOMPARE(menuTitles(frame), QStringLiteral("&File|&View|&Help"));
    QCOMPARE(fileMenu(frame), QStringLiteral("&New\tCtrl+N|&Open...\tCtrl+O|-"));
    QCOMPARE(frame.windowTitle(), QStringLiteral("Dev Izured for Q4T Keyboard"));
    // New in the menu makes a new table as Ctrl+N does.
    frame.menuBar()->actions().first()->menu()->actions().first()->trigger();
    QCOMPARE(program.document()->title(), QStringLiteral("New"));
    QCOMPARE(fileMenu(frame), kFileMenuOfAChild);
  }

  void barsPromptsAndAccelerators() {
    ProgramFixture program;
    QVERIFY(program.start({program.writeTable(QStringLiteral("s.q4t"), [](q4t::KeyTable&) {})}));
    q4t::CMainFrame& frame = program.app().mainFrame();
    docview::CommandRouter& router = program.app().router();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    for (int id : {cmd::kViewToolbar, cmd::kViewStatusBar}) {
      QWidget* bar = id == cmd::kViewToolbar ? static_cast<QWidget*>(&frame.toolBar()) : frame.statusBar();
      QVERIFY(router.action(id)->isChecked() && bar->isVisible());
      router.action(id)->trigger();
      QVERIFY(!router.action(id)->isChecked() && !bar->isVisible());
      router.action(id)->trigger();
      QVERIFY(router.action(id)->isChecked() && bar->isVisible());
    }

    q4t::StatusPanes& panes = frame.statusPanes();
    QCOMPARE(panes.text(), QStringLiteral("Ready"));
    router.action(cmd::kFileNew)->showStatusText(frame.menuBar());
    QCOMPARE(panes.messagePane().text(), QStringLiteral("Create a new document"));
    router.action(cmd::kExit)->showStatusText(frame.menuBar());
    QCOMPARE(panes.messagePane().text(), QStringLiteral("Display program information, version number and copyright"));
    QVERIFY(panes.messagePane().isVisible());
    program.form()->ShowStatus("OK: Keyboard connected");
    QCOMPARE(panes.messagePane().text(), QStringLiteral("OK: Keyboard connected"));

    // Ctrl+S is routed to the view's save; in a text field of the TCO window
    // cut and undo do nothing and Ctrl+C copies the counter rows, as Edit > Copy.
    docview::Document* layout = program.document();
    layout->setModified(true);
    QTest::keySequence(&frame, QKeySequence(Qt::CTRL | Qt::Key_S));
    QVERIFY(!layout->isModified());

    program.app().tcoTemplate().openDocument({});
    auto* tcoView = qobject_cast<q4t::CTCOView*>(frame.activeChild()->view());
    tcoView->SetSerialNumber("A1234567");
    QLineEdit* field = tcoView->serialNumberField();
    field->setFocus();
    field->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Z),
                                     QKeySequence(Qt::CTRL | Qt::Key_V)}) {
      QTest::keySequence(field, keys);
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    QCOMPARE(field->text(), QStringLiteral("A1234567"));
    QTest::keySequence(field, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Counter\tKey Location\tValue\n"));
  }
};

QTEST_MAIN(RoutingMenuTest)
#include "RoutingMenuTest.moc"
