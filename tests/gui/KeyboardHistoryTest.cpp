// Interface > Keyboard History and KeyTable > Compare With...: the kept
// tables listed by keyboard whatever else lies in their folders; a kept table
// opened as a window of its own, compared, and restored to the virtual
// keyboard; a file that is no key table named with its reason.
#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "model/SnapshotStore.h"
#include "support/GuiTestSupport.h"
#include "support/LinkedProgram.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"
#include "ui/KeyboardHistoryDlg.h"
#include "ui/TableCompareDlg.h"
#include "ui/TableDiffView.h"

using q4t::KeyboardHistoryDlg;
using q4t::KeyTable;
using q4t::SnapshotKind;
using q4t::test::LinkedProgram;
using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kFirstKept = 1796725867;  // 2026-12-08 10:31:07 UTC

KeyTable defaultTable() {
  KeyTable table;
  q4t::readKeyTable((q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table);
  return table;
}

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Keyboard 12345's tables: before, written (keys 0 and 1 changed), before
// again in the same second, one that is no key table and a folder named like
// one; beside them a foreign file and folder, and a keyboard without serial.
void fillStore(const fs::path& root) {
  const q4t::SnapshotStore store(root);
  KeyTable plain = defaultTable(), written = plain;
  written.setValue(0, 70);
  written.setValue(1, 71);
  store.save("12345", SnapshotKind::Before, plain, kFirstKept);
  store.save("12345", SnapshotKind::Written, written, kFirstKept + 2, "/home/u/shop.q4t");
  store.save("12345", SnapshotKind::Before, plain, kFirstKept + 2);
  store.save("", SnapshotKind::Before, plain, kFirstKept);
  const fs::path keyboard = store.folderOf("12345");
  writeBytes(keyboard / "2026-12-09_080000-before.q4t", std::string("\x7f" "ELF\0\1\2", 7));
  fs::create_directory(keyboard / "2026-12-10_000000-before.q4t");
  writeBytes(keyboard / "notes.txt", "[0]\nVALUE=1\n");
  fs::create_directory(root / "my files");
  writeBytes(root / "my files" / "2026-12-08_103107-before.q4t", "[0]\nVALUE=1\n");
}

QStringList cells(const QTreeWidgetItem* item) {
  QStringList texts;
  for (int c = 0; c < item->columnCount(); ++c) texts << item->text(c);
  return texts;
}

QStringList headings(const QTreeWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.topLevelItemCount(); ++i) texts << list.topLevelItem(i)->text(0);
  return texts;
}

struct ButtonStates {
  bool open, compare, restore;
  bool operator==(const ButtonStates&) const = default;
};

ButtonStates buttonsAfterSelecting(KeyboardHistoryDlg& dialog, QTreeWidgetItem* item) {
  dialog.list().setCurrentItem(item);
  return {dialog.openButton().isEnabled(), dialog.compareButton().isEnabled(), dialog.restoreButton().isEnabled()};
}

// Runs act once on the next modal dialog of the given type, within 5 s.
template <class Dialog>
void whenOpen(std::function<void(Dialog&)> act) {
  auto* timer = new QTimer(qApp);
  const QDeadlineTimer deadline(5000);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, deadline] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    const bool found = dialog && dialog->isVisible();
    if (!found && !deadline.hasExpired()) return;
    timer->stop();
    timer->deleteLater();
    if (found) act(*dialog);
  });
  timer->start(10);
}

// Selects keyboard 12345's written table in the history window, clicks the button, closes the window.
void whenHistoryOpens(QPushButton& (KeyboardHistoryDlg::*button)() const) {
  whenOpen<KeyboardHistoryDlg>([button](KeyboardHistoryDlg& history) {
    history.readAll();
    history.list().setCurrentItem(history.list().topLevelItem(0)->child(1));
    (history.*button)().click();
    if (history.isVisible()) history.reject();  // Compare leaves it open
  });
}

// Types path into the next file dialog; the file chosen last time is no longer selected.
void chooseInFileDialog(const QString& path) {
  whenOpen<QFileDialog>([path](QFileDialog& dialog) {
    for (QAbstractItemView* files : dialog.findChildren<QAbstractItemView*>()) files->clearSelection();
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog&>(dialog).accept();  // as the Open button does
  });
}

QStringList menuTexts(const q4t::CMainFrame& frame, int menu) {
  QStringList texts;
  for (const QAction* item : frame.menuBar()->actions().at(menu)->menu()->actions()) texts << item->text();
  return texts;
}

}  // namespace

class KeyboardHistoryTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    q4t::test::setUpProgramSettings();
    qputenv("TZ", "UTC");
    tzset();
  }

  void listsEachKeyboardsTablesPassingOverForeignFiles() {
    QTemporaryDir root;
    fillStore(root.path().toStdString());
    const q4t::SnapshotStore store(root.path().toStdString());
    KeyboardHistoryDlg dialog(store, {});
    QCOMPARE(headings(dialog.list()), (QStringList{"Keyboard 12345", "Keyboard (serial number not set)"}));
    QTreeWidgetItem* keyboard = dialog.list().topLevelItem(0);
    QCOMPARE(keyboard->childCount(), 5);
    // Listed by name before any file is read.
    QCOMPARE(cells(keyboard->child(1)), (QStringList{"2026-12-08 10:31:09", "written", "...", ""}));

    dialog.readAll();
    QCOMPARE(cells(keyboard->child(0)), (QStringList{"2026-12-08 10:31:07", "before", "-", ""}));
    QCOMPARE(cells(keyboard->child(1)), (QStringList{"2026-12-08 10:31:09", "written", "2", "/home/u/shop.q4t"}));
    QCOMPARE(cells(keyboard->child(2)), (QStringList{"2026-12-08 10:31:09 (2)", "before", "2", ""}));
    for (int unreadable : {3, 4}) {
      QVERIFY2(keyboard->child(unreadable)->text(3).startsWith(QLatin1String("unreadable: ")),
               qPrintable(keyboard->child(unreadable)->text(3)));
      QCOMPARE(buttonsAfterSelecting(dialog, keyboard->child(unreadable)), (ButtonStates{false, false, false}));
    }
    QCOMPARE(buttonsAfterSelecting(dialog, keyboard), (ButtonStates{false, false, false}));
    // Compare needs a key layout window.
    QCOMPARE(buttonsAfterSelecting(dialog, keyboard->child(0)), (ButtonStates{true, false, true}));
  }

  void aKeptTableIsComparedAndOpensAsANewWindowWhoseSaveAsksForAName() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    fillStore(q4t::defaultSnapshotRoot());
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::test::editKeyValue(*program.form(), 5, QStringLiteral("9"));
    QCOMPARE(menuTexts(program.app().mainFrame(), 3), (QStringList{"&Port", "Keyboard &History..."}));

    // Compare: the kept table is the old one, the active window's the new one.
    QStringList compared;
    whenOpen<q4t::TableCompareDlg>([&compared](q4t::TableCompareDlg& compare) {
      compared << compare.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly)->text()
               << compare.changes().summary().text();
      compare.closeButton().click();
    });
    whenHistoryOpens(&KeyboardHistoryDlg::compareButton);
    QVERIFY(program.app().router().run(cmd::kKeyboardHistory));
    QCOMPARE(compared, (QStringList{"Old: 12345 2026-12-08 10:31:09 written\nNew: New", "3 keys change"}));

    MessageBoxAnswerer dontSave(QMessageBox::No);
    whenHistoryOpens(&KeyboardHistoryDlg::openButton);
    QVERIFY(program.app().router().run(cmd::kKeyboardHistory));
    QCOMPARE(dontSave.texts(), QStringList{"Save changes to New?"});
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);
    QCOMPARE(program.document()->title(), QStringLiteral("12345 2026-12-08 10:31:09 written"));
    QCOMPARE(program.app().mainFrame().windowTitle().endsWith(program.document()->title()), true);
    QCOMPARE(program.form()->table().entry(0).value, 70);
    QCOMPARE(program.form()->layout().button(0)->text(), QStringLiteral("70"));
    QVERIFY(!program.document()->isModified());

    const QString saved = program.path(QStringLiteral("till3.q4t"));
    chooseInFileDialog(saved);
    QVERIFY(program.app().router().run(cmd::kFileSave));
    KeyTable table;
    QVERIFY(q4t::readKeyTable(saved.toStdString(), table));
    QCOMPARE(table.entry(1).value, 71);
    QCOMPARE(program.document()->pathName(), saved);

    // Restore without a connection: the table opens, Download cannot start, and the user is told.
    MessageBoxAnswerer ok;
    whenHistoryOpens(&KeyboardHistoryDlg::restoreButton);
    QVERIFY(program.app().router().run(cmd::kKeyboardHistory));
    QCOMPARE(program.document()->title(), QStringLiteral("12345 2026-12-08 10:31:09 written"));
    QCOMPARE(ok.texts().size(), 1);
    QVERIFY2(ok.texts().first().contains(QLatin1String("Interface > Port")), qPrintable(ok.texts().first()));
  }

  void restoreDownloadsTheKeptTableToTheKeyboard() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    fillStore(q4t::defaultSnapshotRoot());
    LinkedProgram linked;
    QVERIFY(linked.started && linked.connect());

    whenHistoryOpens(&KeyboardHistoryDlg::restoreButton);
    QVERIFY(linked.router().run(cmd::kKeyboardHistory));
    QCOMPARE(linked.program.document()->title(), QStringLiteral("12345 2026-12-08 10:31:09 written"));
    QTRY_COMPARE_WITH_TIMEOUT(linked.status(), QStringLiteral("OK: Download and verify successful"),
                              LinkedProgram::kTransferMs);
    QCOMPARE(linked.keyboard.state().keyValue(0), 70);
    QCOMPARE(linked.keyboard.state().keyValue(1), 71);
  }

  void compareWithNamesWhatIsNoKeyTableAndListsTheRest() {
    ProgramFixture program;
    const QString broken = program.path(QStringLiteral("broken.q4t"));
    writeBytes(broken.toStdString(), std::string("\0\0\0\0", 4));
    const QString other = program.writeTable(QStringLiteral("other.q4t"), [](KeyTable& t) { t.setValue(7, 99); });
    QVERIFY(program.start());
    QCOMPARE(menuTexts(program.app().mainFrame(), 2),
             (QStringList{"&Upload", "&Download", "&Compare With...", "&Roll Out to Keyboards..."}));
    QVERIFY(!program.app().router().action(cmd::kCompareWith)->statusTip().isEmpty());

    MessageBoxAnswerer ok;
    chooseInFileDialog(broken);
    QVERIFY(program.app().router().run(cmd::kCompareWith));
    QCOMPARE(ok.texts().size(), 1);
    KeyTable unread;
    const QString reason = QString::fromStdString(q4t::readKeyTable(broken.toStdString(), unread).reason);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(ok.texts().first(), broken + QStringLiteral(" is no key table to compare with:\n") + reason + '.');

    QStringList rows;
    whenOpen<q4t::TableCompareDlg>([&rows](q4t::TableCompareDlg& compare) {
      const QTreeWidgetItem* keys = compare.changes().list().topLevelItem(0);
      rows << compare.windowTitle() << compare.changes().summary().text() << cells(keys->child(0));
      compare.closeButton().click();
    });
    chooseInFileDialog(other);
    QVERIFY(program.app().router().run(cmd::kCompareWith));
    QCOMPARE(rows, (QStringList{"Compare Key Tables", "1 key changes", "7", "", "99", "8", ""}));
  }
};

QTEST_MAIN(KeyboardHistoryTest)
#include "KeyboardHistoryTest.moc"
