// What a save must not overwrite unasked: a file another window holds, a file
// another program changed; and file names as the system's bytes (not UTF-8,
// a newline, as long as the system allows) open, show and save.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <iterator>
#include <memory>

#include "app/CMainFrame.h"
#include "app/RecentFileList.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/FileNames.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::KeyTable;
using q4t::test::ProgramFixture;
using Button = QMessageBox::StandardButton;
namespace cmd = q4t::cmd;

namespace {

// Presses the given buttons in the message boxes as they open, one each, and
// keeps the boxes' texts.
class AnswersInTurn : public QObject {
 public:
  explicit AnswersInTurn(QList<Button> buttons) : buttons_(std::move(buttons)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || texts_.size() >= buttons_.size()) return;
      texts_ << box->text();
      box->button(buttons_[texts_.size() - 1])->click();
    });
    timer_.start(10);
  }
  const QStringList& texts() const { return texts_; }

 private:
  QList<Button> buttons_;
  QStringList texts_;
  QTimer timer_;
};

void saveAs(ProgramFixture& program, const QString& path) {
  q4t::test::whenModal([path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog*>(dialog)->accept();
  });
  program.app().router().run(cmd::kFileSaveAs);
}

int savedValue(const QString& path, int k) {
  KeyTable table;
  return q4t::readKeyTable(docview::nativePath(path), table) ? table.entry(k).value : -2;
}

void activate(ProgramFixture& program, docview::Document* document) {
  auto* frame = qobject_cast<docview::MdiChildFrame*>(document->firstView()->parentWidget());
  program.app().mainFrame().workspace().setActiveSubWindow(frame);
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

}  // namespace

class SaveGuardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void saveAsOntoAFileOpenInAnotherWindowClosesThatWindowFirst_data() {
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("saved");
    // Replace the file? Close the other window? Save its changes?
    QTest::newRow("not closed") << QList<Button>{Button::Yes, Button::Cancel} << false;
    QTest::newRow("its save prompt cancelled") << QList<Button>{Button::Yes, Button::Yes, Button::Cancel} << false;
    QTest::newRow("closed, its changes dropped") << QList<Button>{Button::Yes, Button::Yes, Button::No} << true;
  }
  void saveAsOntoAFileOpenInAnotherWindowClosesThatWindowFirst() {
    QFETCH(QList<Button>, answers);
    QFETCH(bool, saved);
    ProgramFixture program;
    QVERIFY(program.start());
    docview::Document* mine = program.document();
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("11"));
    QVERIFY(program.app().newDocument());  // a second "New" window
    docview::Document* other = program.form()->document();
    const QString shop = program.path(QStringLiteral("shop.q4t"));
    saveAs(program, shop);
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("23"));  // unsaved in the other window
    QCOMPARE(savedValue(shop, 0), 1);

    // Saved as another name of that file: a hard link.
    const QString alias = program.path(QStringLiteral("alias.q4t"));
    std::filesystem::create_hard_link(shop.toStdString(), alias.toStdString());
    activate(program, mine);
    const AnswersInTurn answerer(answers);
    saveAs(program, alias);
    QTRY_COMPARE(answerer.texts().size(), answers.size());
    QCOMPARE(answerer.texts().value(1), QStringLiteral("%1 is open in another window.\nClose that window and "
                                                       "save this table over the file?").arg(alias));
    if (answers.size() > 2) QCOMPARE(answerer.texts().value(2), QStringLiteral("Save changes to shop.q4t?"));
    QCOMPARE(savedValue(shop, 0), saved ? 11 : 1);
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), saved ? 1 : 2);
    QCOMPARE(mine->title(), saved ? QStringLiteral("alias.q4t") : QStringLiteral("New"));
    QCOMPARE(mine->isModified(), !saved);
    if (!saved) QCOMPARE(other->pathName(), shop);
  }

  void saveAsksBeforeOverwritingAnotherProgramsChanges() {
    ProgramFixture program;
    const QString shop = program.writeTable(QStringLiteral("shop.q4t"), [](KeyTable&) {});
    QVERIFY(program.start({shop}));
    const AnswersInTurn answerer({Button::Cancel, Button::Yes, Button::Yes, Button::Yes, Button::Cancel});
    const auto saveValue = [&](const QString& value) {
      q4t::test::editKeyValue(*program.form(), 0, value);
      program.app().router().run(cmd::kFileSave);
      return savedValue(shop, 0);
    };
    const QString changed = QStringLiteral("%1 has been changed by another program since it was opened or last "
                                           "saved.\nOverwrite those changes with this table?").arg(shop);
    QCOMPARE(saveValue(QStringLiteral("55")), 55);  // unchanged on disk: no question
    QCOMPARE(saveValue(QStringLiteral("56")), 56);  // after its own save neither
    QVERIFY(answerer.texts().isEmpty());

    program.writeTable(QStringLiteral("shop.q4t"), [](KeyTable& t) { t.setValue(0, 99); });
    QCOMPARE(saveValue(QStringLiteral("57")), 99);  // Cancel: the other program's table stays
    QCOMPARE(answerer.texts(), QStringList{changed});
    QVERIFY(program.document()->isModified());
    program.app().router().run(cmd::kFileSave);  // Overwrite
    QCOMPARE(savedValue(shop, 0), 57);
    QCOMPARE(answerer.texts().size(), 2);

    program.writeTable(QStringLiteral("shop.q4t"), [](KeyTable& t) { t.setValue(0, 97); });
    QCOMPARE(saveValue(QStringLiteral("58")), 58);  // Overwrite again: a question each time
    QCOMPARE(answerer.texts().size(), 3);
    writeBytes(shop, fileBytes(shop));  // rewritten as it was: nothing to ask
    QCOMPARE(saveValue(QStringLiteral("59")), 59);
    QVERIFY(QFile::remove(shop));  // removed: nothing to lose, nothing to ask
    QCOMPARE(saveValue(QStringLiteral("61")), 61);
    QCOMPARE(answerer.texts().size(), 3);

    // Close's "Save changes?" asks the same before saving; Cancel keeps the window.
    program.writeTable(QStringLiteral("shop.q4t"), [](KeyTable& t) { t.setValue(0, 98); });
    q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("60"));
    program.app().router().run(cmd::kFileClose);
    QCOMPARE(answerer.texts().mid(3), (QStringList{QStringLiteral("Save changes to shop.q4t?"), changed}));
    QCOMPARE(savedValue(shop, 0), 98);
    QCOMPARE(program.app().keyLayoutTemplate().documents().size(), 1);

    // Save As onto its own file: only the dialog's question whether to replace it.
    {
      const AnswersInTurn replace({Button::Yes, Button::Cancel});
      saveAs(program, shop);
      QTRY_COMPARE(replace.texts().size(), 1);
      QTest::qWait(100);
      QCOMPARE(replace.texts().size(), 1);
      QCOMPARE(savedValue(shop, 0), 60);
    }
  }

  void everyNameComesBackAsTheSameBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");  // empty: as Qt decodes the name
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.q4t") << QStringLiteral("caf\uFFFD.q4t");
    // U+1F480 is the pair D83D DC80, whose second half looks like a carried byte.
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xf0\x9f\x92\x80.q4t") << QString();
    QTest::newRow("cut UTF-8") << QByteArray("a\xc3") << QStringLiteral("a\uFFFD");
    QTest::newRow("lone continuation") << QByteArray("a\x80" "b") << QStringLiteral("a\uFFFD" "b");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xb2\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    QTest::newRow("overlong") << QByteArray("\xe0\x80\xaf\xc0\xaf") << QString(5, QChar(0xFFFD));
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QString(4, QChar(0xFFFD));
    QTest::newRow("newline and C1") << QByteArray("a\nb\xc2\x9b" "c") << QStringLiteral("a\uFFFD" "b\uFFFD" "c");
  }
  void everyNameComesBackAsTheSameBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString path = docview::pathFromBytes(bytes);
    QCOMPARE(docview::bytesOfPath(path), bytes);
    QCOMPARE(docview::nativePath(path), bytes.toStdString());
    QCOMPARE(docview::qtCanName(path), bytes.isValidUtf8());
    if (bytes.isValidUtf8()) QCOMPARE(path, QString::fromUtf8(bytes));
    QCOMPARE(docview::shownPath(path), shown.isEmpty() ? QString::fromUtf8(bytes) : shown);
  }

  void namesThatAreNoUtf8OrHoldANewlineOpenShowAndSave() {
    ProgramFixture program;
    const QByteArray folder = QFile::encodeName(program.path(QStringLiteral("x"))).chopped(1);
    const QByteArray longName(247, 'k');
    const QList<QPair<QByteArray, QString>> names = {
        {"caf\xe9.q4t", QStringLiteral("caf\uFFFD.q4t")},
        {"two\nlines.q4t", QStringLiteral("two\uFFFDlines.q4t")},
        {longName + ".q4t", QString::fromLatin1(longName) + QStringLiteral(".q4t")}};
    KeyTable table;
    QVERIFY(q4t::readKeyTable(program.path(QStringLiteral("DefTable.q4t")).toStdString(), table));
    for (const auto& [name, title] : names) QVERIFY(q4t::writeKeyTable((folder + name).toStdString(), table));
    QVERIFY(program.start({docview::pathFromBytes(folder + names[0].first)}));
    for (const auto& [name, title] : names) {
      const QString path = docview::pathFromBytes(folder + name);
      QVERIFY(program.app().openDocumentFile(path));
      QCOMPARE(program.document()->title(), title);
      QVERIFY(!program.app().mainFrame().windowTitle().contains(QLatin1Char('\n')));
      q4t::test::editKeyValue(*program.form(), 0, QStringLiteral("42"));
      QVERIFY(program.app().router().run(cmd::kFileSave));
      QCOMPARE(savedValue(path, 0), 42);
      QCOMPARE(program.app().recentFiles().paths().first(), path);
    }
    // Only the three files and the default table: nothing saved under a changed name.
    const std::filesystem::directory_iterator files(folder.toStdString());
    QCOMPARE(std::distance(begin(files), end(files)), 4);
    // The recent entry keeps the name's bytes; as text it would come back another name.
    QCOMPARE(QSettings().value(QStringLiteral("Recent File List/File3")).toByteArray(), folder + names[0].first);
    q4t::RecentFileList reloaded;
    reloaded.load();
    QCOMPARE(reloaded.paths().value(2), docview::pathFromBytes(folder + names[0].first));
    for (const auto& [name, title] : names) std::filesystem::remove((folder + name).toStdString());  // Qt cannot
  }
};

QTEST_MAIN(SaveGuardTest)
#include "SaveGuardTest.moc"
