// The program's own files as it finds them from its own folder: New in a
// folder without DefTable.q4t, the manual (searched without writing beside
// it), and the icon of every window.
// Run in the build folder it sees the files beside it; copied into the bin
// folder of an unpacked package, with Q4T_EXPECT_DATA_DIR naming that tree's
// share/q4t-programmer, it checks the package's files.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QSignalSpy>
#include <QTest>

#include "app/CMainFrame.h"
#include "app/HelpLauncher.h"
#include "app/HelpWindow.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "support/ProgramFixture.h"

using q4t::test::ProgramFixture;

namespace {

// The folder the program's files must come from.
QString expectedDataDir() {
  const QString expected = qEnvironmentVariable("Q4T_EXPECT_DATA_DIR");
  return QFileInfo(expected.isEmpty() ? QCoreApplication::applicationDirPath() : expected).canonicalFilePath();
}

QString folderOf(const QString& file) { return QFileInfo(file).canonicalPath(); }

}  // namespace

class InstalledFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void newInAFolderWithoutDefTableShowsTheProgramsDefaultTable() {
    ProgramFixture program;
    QFile::remove(program.path(QStringLiteral("DefTable.q4t")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("DefTable.q4t")));
    QCOMPARE(folderOf(QString::fromStdString(q4t::newTablePath())), expectedDataDir());

    QVERIFY(program.start());
    QCOMPARE(program.document()->title(), QStringLiteral("New"));
    const q4t::CQ4TForm& form = *program.form();
    for (int k = 0; k < q4t::kKeyCount; ++k) {
      QCOMPARE(form.table().entry(k).value, k + 1);
      QCOMPARE(form.layout().button(k)->text(), QString::number(k + 1));
    }
    QCOMPARE(QDir::current().entryList(QDir::Files), QStringList());  // nothing written beside
  }

  void aDefTableInTheCurrentFolderComesFirst() {
    ProgramFixture program;
    // A whole table, so that nothing in it warns at opening.
    q4t::KeyTable table;
    QVERIFY(q4t::readKeyTable((expectedDataDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table));
    table.setValue(7, 77);
    QVERIFY(q4t::writeKeyTable(program.path(QStringLiteral("DefTable.q4t")).toStdString(), table));
    QVERIFY(program.start());
    QCOMPARE(program.form()->table().entry(7).value, 77);
    QCOMPARE(program.form()->layout().button(7)->text(), QStringLiteral("77"));
  }

  void theManualOpensFromTheProgramsFilesAndSearchesWithoutWritingThere() {
    const QString collection = q4t::HelpLauncher::collectionFile();
    QCOMPARE(folderOf(collection), expectedDataDir() + QStringLiteral("/help"));
    const QDir helpDir(QFileInfo(collection).path());
    const QStringList filesBefore = helpDir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QDateTime changedBefore = QFileInfo(collection).lastModified();

    q4t::HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    QVERIFY(launcher.window()->isVisible());
    QHelpSearchEngine* search = launcher.window()->engine().searchEngine();
    QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
    search->reindexDocumentation();
    QVERIFY(indexed.wait(20000));
    search->search(QStringLiteral("keyboard"));
    QTRY_VERIFY(search->searchResultCount() > 0);

    QCOMPARE(helpDir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), filesBefore);
    QCOMPARE(QFileInfo(collection).lastModified(), changedBefore);
  }

  void everyWindowShowsTheProgramsIconAtEachSize() {
    ProgramFixture program;
    QVERIFY(program.start());
    const QIcon icon = QApplication::windowIcon();
    for (const int size : {16, 32, 48, 128, 256}) {
      QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
      QCOMPARE(icon.pixmap(size).size(), QSize(size, size));
    }
    q4t::CMainFrame& frame = program.app().mainFrame();
    QCOMPARE(frame.windowIcon().cacheKey(), icon.cacheKey());
    QCOMPARE(frame.activeChild()->windowIcon().cacheKey(), icon.cacheKey());
    q4t::HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(&frame));
    QCOMPARE(launcher.window()->windowIcon().cacheKey(), icon.cacheKey());
  }
};

QTEST_MAIN(InstalledFilesTest)
#include "InstalledFilesTest.moc"
