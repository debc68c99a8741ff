// Saving under a new name, by Save As and by the first save of a new table:
// the save dialog, the question before replacing a file, and the window's
// title and path following only a save that worked.
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::KeyTable;
using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

// What the save dialog showed when it opened; it is then given the path and confirmed.
struct SaveDialogSeen {
  QString fileName;
  QStringList filters;
};

SaveDialogSeen saveAs(ProgramFixture& program, int command, const QString& path) {
  auto seen = std::make_shared<SaveDialogSeen>();
  q4t::test::whenModal([seen, path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return;
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    seen->fileName = name->text();
    seen->filters = dialog->nameFilters();
    name->setText(path);  // as typed, so that a folder that is missing stays in it
    static_cast<QDialog*>(dialog)->accept();  // as the Save button does
  });
  program.app().router().run(command);
  return *seen;
}

int savedValue(const QString& path, int k) {
  KeyTable table;
  return q4t::readKeyTable(path.toStdString(), table) ? table.entry(k).value : -2;
}

QStringList fileMenuTexts(const q4t::CMainFrame& frame) {
  QStringList texts;
  for (const QAction* item : frame.menuBar()->actions().first()->menu()->actions()) texts << item->text();
  return texts;
}

}  // namespace

class SaveAsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void saveAsFollowsSaveInTheFileMenu() {
    ProgramFixture program;
    QVERIFY(program.start());
    QCOMPARE(fileMenuTexts(program.app().mainFrame()).mid(1, 5),
             (QStringList{QStringLiteral("&Open...\tCtrl+O"), QStringLiteral("&Close"), QStringLiteral("&Save\tCtrl+S"),
                          QStringLiteral("Save &As..."), QString()}));
    QVERIFY(!program.app().router().action(cmd::kFileSaveAs)->statusTip().isEmpty());
  }

  void saveAsWritesTheTableUnderTheNewName() {
    ProgramFixture program;
    const QString master = program.writeTable(QStringLiteral("master.q4t"), [](KeyTable&) {});
    const QString kept = program.writeTable(QStringLiteral("kept.q4t"), [](KeyTable& t) { t.setValue(0, 70); });
    QVERIFY(program.start({master}));
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("55"));

    const QString copy = program.path(QStringLiteral("copy.q4t"));
    const SaveDialogSeen seen = saveAs(program, cmd::kFileSaveAs, copy);
    QCOMPARE(seen.fileName, QStringLiteral("*.q4t"));
    QCOMPARE(seen.filters, QStringList{QStringLiteral("*.q4t")});
    QCOMPARE(savedValue(copy, 0), 55);
    QCOMPARE(savedValue(master, 0), 1);
    QCOMPARE(program.document()->title(), QStringLiteral("copy.q4t"));
    QCOMPARE(program.document()->pathName(), copy);
    QVERIFY(!program.document()->isModified());

    // Later saves go to the new file without asking.
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("56"));
    QVERIFY(program.app().router().run(cmd::kFileSave));
    QCOMPARE(savedValue(copy, 0), 56);
    QCOMPARE(savedValue(master, 0), 1);

    // Replacing a file is asked first; No leaves it as it was.
    {
      MessageBoxAnswerer no(QMessageBox::No);
      q4t::test::whenModal([](QWidget* dialog) {
        QTimer::singleShot(300, dialog, [dialog] { dialog->close(); });  // the dialog stays after No
      });
      saveAs(program, cmd::kFileSaveAs, kept);
      QCOMPARE(no.texts().size(), 1);
      QVERIFY2(no.texts().first().contains(QLatin1String("kept.q4t")), qPrintable(no.texts().first()));
    }
    QCOMPARE(savedValue(kept, 0), 70);
    QCOMPARE(program.document()->title(), QStringLiteral("copy.q4t"));
    MessageBoxAnswerer yes(QMessageBox::Yes);
    saveAs(program, cmd::kFileSaveAs, kept);
    QCOMPARE(yes.texts().size(), 1);
    QCOMPARE(savedValue(kept, 0), 56);
    QCOMPARE(program.document()->title(), QStringLiteral("kept.q4t"));

    // The document is now that file: opening it activates this window.
    QVERIFY(program.app().openDocumentFile(kept));
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);
  }

  void aFailedSaveUnderANewNameKeepsTitleAndPath() {
    ProgramFixture program;
    QVERIFY(program.start());
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("9"));
    const QString unwritable = program.path(QStringLiteral("missing/mine.q4t"));
    MessageBoxAnswerer ok;
    saveAs(program, cmd::kFileSave, unwritable);
    QCOMPARE(ok.texts().size(), 1);
    QVERIFY2(ok.texts().first().contains(unwritable), qPrintable(ok.texts().first()));
    QCOMPARE(program.document()->title(), QStringLiteral("New"));
    QVERIFY(program.document()->pathName().isEmpty());
    QVERIFY(program.document()->isModified());
    QCOMPARE(savedValue(program.path(QStringLiteral("DefTable.q4t")), 0), 1);

    // The next Save asks again, and a name that works takes.
    QVERIFY(QDir(program.path({})).mkdir(QStringLiteral("missing")));
    const SaveDialogSeen again = saveAs(program, cmd::kFileSave, unwritable);
    QCOMPARE(again.fileName, QStringLiteral("*.q4t"));
    QCOMPARE(ok.texts().size(), 1);
    QCOMPARE(savedValue(unwritable, 0), 9);
    QCOMPARE(program.document()->title(), QStringLiteral("mine.q4t"));

    // A failed Save As of a named table keeps its name too.
    saveAs(program, cmd::kFileSaveAs, program.path(QStringLiteral("gone/other.q4t")));
    QCOMPARE(ok.texts().size(), 2);
    QCOMPARE(program.document()->title(), QStringLiteral("mine.q4t"));
    QCOMPARE(program.document()->pathName(), unwritable);
  }
};

QTEST_MAIN(SaveAsTest)
#include "SaveAsTest.moc"
