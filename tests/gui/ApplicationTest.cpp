// The application: start-up, opening files and the recent list, the save
// prompt, failed saves, the key layout frame's fixed size, and the port
// released after the windows at exit.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <atomic>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"

using q4t::KeyTable;
using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

int keyLayoutViews() {
  int views = 0;
  for (QWidget* widget : QApplication::allWidgets()) views += qobject_cast<q4t::CQ4TForm*>(widget) ? 1 : 0;
  return views;
}

// A port that opens under any name, never answers, and notes how many key
// layout views were left when it was closed.
class FakePort : public q4t::PortDevice {
 public:
  bool Open(int) override { return open_ = true; }
  bool OpenPath(const std::string&) override { return open_ = true; }
  bool Close() override {
    viewsAtClose = keyLayoutViews();
    ++closes;
    open_ = false;
    return true;
  }
  bool IsOpen() const override { return open_; }
  std::size_t Read(std::uint8_t*, std::size_t) override { return 0; }
  bool Write(const std::uint8_t*, std::size_t) override { return true; }
  int PollHandle() const override { return -1; }
  std::string LastError() const override { return {}; }

  int closes = 0;
  int viewsAtClose = -1;

 private:
  std::atomic<bool> open_{false};
};

QString notFound(const QString& path) {
  return path + QStringLiteral("\nCannot find this file.\nPlease verify that the correct path and file name are given.");
}

q4t::KeySize savedSize(const QString& path, int k) {
  KeyTable table;
  q4t::readKeyTable(path.toStdString(), table);
  return table.entry(k).size;
}

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void startUpWithAndWithoutAFile() {
    {
      ProgramFixture program;
      QVERIFY(program.start());
      q4t::CMainFrame& frame = program.app().mainFrame();
      QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);
      QCOMPARE(program.document()->title(), QStringLiteral("New"));
      QCOMPARE(frame.activeChild()->geometry(), QRect(0, 0, 620, 225));
      QCOMPARE(program.form()->layout().button(0)->text(), QStringLiteral("1"));
      QCOMPARE(frame.statusPanes().text(), QStringLiteral("Ready"));
      QCOMPARE(frame.toolBarArea(&frame.toolBar()), Qt::TopToolBarArea);
      QVERIFY(program.app().tcoTemplate().documents().isEmpty() && frame.isVisible());
    }
    {
      ProgramFixture program;
      const QString path = program.writeTable(QStringLiteral("a.q4t"), [](KeyTable&) {});
      QVERIFY(program.start({path}));
      QCOMPARE(program.document()->title(), QStringLiteral("a.q4t"));
      QCOMPARE(program.app().recentFiles().paths(), QStringList{path});
      QCOMPARE(QSettings().value(QStringLiteral("Recent File List/File1")).toString(), path);
    }
    ProgramFixture program;
    MessageBoxAnswerer answerer;
    const QString missing = program.path(QStringLiteral("missing.q4t"));
    QVERIFY(!program.start({missing}));
    QCOMPARE(answerer.texts(), QStringList{notFound(missing)});
    QVERIFY(!program.app().mainFrame().isVisible());
  }

  void openingFilesAndTheRecentList() {
    ProgramFixture program;
    const QString a = program.writeTable(QStringLiteral("a.q4t"), [](KeyTable&) {});
    const QString b = program.writeTable(QStringLiteral("b.q4t"), [](KeyTable&) {});
    const QString c = program.writeTable(QStringLiteral("c.q4t"), [](KeyTable&) {});
    QVERIFY(program.start({a}));
    MessageBoxAnswerer answerer(QMessageBox::Cancel);
    docview::Document* first = program.document();
    program.writeTable(QStringLiteral("a.q4t"), [](KeyTable& t) { t.setValue(0, 77); });
    program.app().tcoTemplate().openDocument({});
    QVERIFY(program.app().openDocumentFile(a));  // already open: activated, not read again
    QCOMPARE(program.app().mainFrame().activeChild()->document(), first);
    QCOMPARE(program.form()->table().entry(0).value, 1);

    QVERIFY(program.app().openDocumentFile(b));  // unmodified a closes without a prompt, the TCO window too
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);
    QVERIFY(program.app().tcoTemplate().documents().isEmpty());
    QCOMPARE(program.document()->title(), QStringLiteral("b.q4t"));
    QVERIFY(answerer.texts().isEmpty());
    QCOMPARE(program.app().recentFiles().paths(), (QStringList{b, a}));

    // A modified b asks; Cancel abandons c and leaves everything as it was.
    program.document()->setModified(true);
    program.app().tcoTemplate().openDocument({});
    program.app().mainFrame().workspace().activatePreviousSubWindow();
    QVERIFY(!program.app().openDocumentFile(c));
    QCOMPARE(answerer.texts(), QStringList{QStringLiteral("Save changes to b.q4t?")});
    QCOMPARE(answerer.titles(), QStringList{QStringLiteral("Dev Izured for Q4T Keyboard")});
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);
    QVERIFY(program.document()->isModified());
    QCOMPARE(program.app().tcoTemplate().documents().size(), 1);
    QCOMPARE(program.app().mainFrame().windowTitle(), QStringLiteral("Dev Izured for Q4T Keyboard - b.q4t"));
    QCOMPARE(program.app().recentFiles().paths(), (QStringList{b, a}));

    // A deleted recent file: the message, the entry leaves, the windows stay.
    QVERIFY(QFile::remove(a));
    MessageBoxAnswerer ok;
    QVERIFY(program.app().router().run(cmd::kFirstRecentFile + 1));
    QCOMPARE(ok.texts(), QStringList{notFound(a)});
    QCOMPARE(program.app().recentFiles().paths(), QStringList{b});
    q4t::RecentFileList nextRun;  // the settings keep no stale entry
    nextRun.load();
    QCOMPARE(nextRun.paths(), QStringList{b});
    QCOMPARE(program.document()->title(), QStringLiteral("b.q4t"));
  }

  void recentListKeepsTheFourNewestOnceEach() {
    ProgramFixture program;
    QVERIFY(program.start());
    docview::CommandRouter& router = program.app().router();
    const auto recentItem = [&router](int i) { return router.action(cmd::kFirstRecentFile + i); };
    // Without entries only the greyed placeholder shows, and it opens nothing.
    QCOMPARE(recentItem(0)->text(), QStringLiteral("Recent File"));
    QVERIFY(recentItem(0)->isVisible() && !recentItem(0)->isEnabled());
    for (int i = 1; i < 4; ++i) QVERIFY(!recentItem(i)->isVisible());
    QVERIFY(!router.run(cmd::kFirstRecentFile));

    QStringList paths;
    for (const char* name : {"a.q4t", "b.q4t", "c.q4t", "d.q4t", "e.q4t"}) {
      paths << program.writeTable(QLatin1String(name), [](KeyTable&) {});
      QVERIFY(program.app().openDocumentFile(paths.last()));
    }
    QVERIFY(program.app().openDocumentFile(paths[2]));  // c again: to the front, not twice
    const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
    router.updateActions();
    QCOMPARE(program.app().recentFiles().paths(), expected);
    QSettings settings;
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(settings.value(QStringLiteral("Recent File List/File%1").arg(i + 1)).toString(), expected[i]);
      QVERIFY(recentItem(i)->isVisible() && recentItem(i)->isEnabled());
      QCOMPARE(recentItem(i)->text(), QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(expected[i]).fileName()));
    }
    QVERIFY(!settings.contains(QStringLiteral("Recent File List/File5")));
    QVERIFY(router.run(cmd::kFirstRecentFile + 3));
    QCOMPARE(program.document()->title(), QStringLiteral("b.q4t"));
  }

  void savePromptAnswers() {
    ProgramFixture program;
    const QString a = program.writeTable(QStringLiteral("a.q4t"), [](KeyTable&) {});
    QVERIFY(program.start({a}));
    docview::CommandRouter& router = program.app().router();
    program.form()->runCommand(cmd::kDoubleKeyRight);  // key 0
    QVERIFY(program.document()->isModified());
    {
      MessageBoxAnswerer answerer(QMessageBox::Cancel);
      router.run(cmd::kFileClose);
      QCOMPARE(answerer.texts(), QStringList{QStringLiteral("Save changes to a.q4t?")});
    }
    QVERIFY(program.document() && program.document()->isModified());
    QCOMPARE(savedSize(a, 0), q4t::KeySize::Single);
    {
      MessageBoxAnswerer answerer(QMessageBox::Yes);
      router.run(cmd::kFileClose);
    }
    QVERIFY(program.document() == nullptr);
    QCOMPARE(savedSize(a, 0), q4t::KeySize::DoubleRight);

    QVERIFY(program.app().openDocumentFile(a));
    program.form()->runCommand(cmd::kSingleKey);
    {
      MessageBoxAnswerer answerer(QMessageBox::No);
      router.run(cmd::kFileClose);
      QCOMPARE(answerer.texts().size(), 1);
    }
    QVERIFY(program.document() == nullptr);
    QCOMPARE(savedSize(a, 0), q4t::KeySize::DoubleRight);
  }

  void aFailedSaveKeepsTheChangesAndStopsTheClose() {
    ProgramFixture program;
    QVERIFY(QDir(program.path({})).mkdir(QStringLiteral("gone")));
    const QString path = program.writeTable(QStringLiteral("gone/x.q4t"), [](KeyTable&) {});
    QVERIFY(program.start({path}));
    QVERIFY(QDir(program.path(QStringLiteral("gone"))).removeRecursively());
    program.form()->runCommand(cmd::kDoubleKeyRight);
    MessageBoxAnswerer ok;
    program.app().router().run(cmd::kFileSave);
    QCOMPARE(ok.texts().size(), 1);
    QVERIFY2(ok.texts().first().contains(path + QStringLiteral(":\n")), qPrintable(ok.texts().first()));
    QVERIFY(!ok.texts().first().endsWith(QStringLiteral(":\n")));  // the reason follows
    QVERIFY(program.document()->isModified());

    MessageBoxAnswerer yes(QMessageBox::Yes);
    program.app().router().run(cmd::kFileClose);
    QCOMPARE(yes.texts(), QStringList{QStringLiteral("Save changes to x.q4t?")});
    QCOMPARE(ok.texts().size(), 2);
    QVERIFY(program.document() && program.document()->isModified());
  }

  void keyLayoutFrameKeepsItsSize() {
    ProgramFixture program;
    QVERIFY(program.start());
    docview::MdiChildFrame* frame = program.app().mainFrame().activeChild();
    frame->move(40, 30);
    frame->resize(700, 300);
    QCOMPARE(frame->geometry(), QRect(40, 30, 620, 225));
    frame->showMaximized();
    QCOMPARE(frame->geometry(), QRect(40, 30, 620, 225));
    frame->setGeometry(30, 30, 630, 225);  // the left border dragged
    QCOMPARE(frame->geometry(), QRect(30, 30, 620, 225));
  }

  void thePortIsReleasedAfterTheWindowsAtExit() {
    ProgramFixture program;
    auto port = std::make_shared<FakePort>();
    program.shared.makePort = [port] { return port; };
    QVERIFY(program.start());
    q4t::test::confirmNextPortDialog();
    QVERIFY(program.app().router().run(cmd::kPort));
    QVERIFY(program.shared.port == port && port->IsOpen());

    program.document()->setModified(true);
    MessageBoxAnswerer answerer(QMessageBox::Cancel);
    program.app().mainFrame().close();
    QCOMPARE(answerer.texts().size(), 1);
    QVERIFY(program.app().mainFrame().isVisible() && program.document());
    QCOMPARE(port->closes, 0);

    answerer.setButton(QMessageBox::No);
    program.app().mainFrame().close();
    QCOMPARE(port->closes, 1);
    QCOMPARE(port->viewsAtClose, 0);
    QVERIFY(program.shared.port == nullptr);
    QVERIFY(!program.app().mainFrame().isVisible());
  }
};

QTEST_MAIN(ApplicationTest)
#include "ApplicationTest.moc"
