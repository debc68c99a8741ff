// Copy and paste of keys in the key layout window: what Copy puts on the
// clipboard, what Paste takes from it, and the pastes it refuses with the
// Change Key Value dialog's message, changing and recording nothing.
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QTest>
#include <QUndoStack>

#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyClipboard.h"
#include "model/KeyTableText.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::KeyPosition;
using q4t::KeyTable;
using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

// 40 a double key right with counter 9 and the label "Soup"; 5 holds counter 6.
QString startTable(ProgramFixture& program) {
  return program.writeTable(QStringLiteral("keys.q4t"), [](KeyTable& t) {
    t.mergeRight(40);
    t.counterOn(40, KeyPosition::TopRight, 9);
    t.setLabel(40, "Soup");
    t.counterOn(5, KeyPosition::TopLeft, 6);
  });
}

std::string written(const KeyTable& table) {
  std::string bytes;
  q4t::mergeKeyTable("", table, bytes);
  return bytes;
}

bool runOnKey(ProgramFixture& program, int k, int id) {
  program.form()->layout().button(k)->setFocus();
  return program.app().router().run(id);
}

const QString kNoInteger = QStringLiteral("Please enter an integer.");
const QString kOutOfRange = QStringLiteral("Please enter an integer between 0 and 92.");

}  // namespace

class KeyClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void copyPutsValueAndLabelAsTextAndTheWholeKeyInItsOwnType() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    QVERIFY(runOnKey(program, 40, cmd::kEditCopy));
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), QStringLiteral("41\tSoup"));
    const QJsonObject key = QJsonDocument::fromJson(copied->data(QLatin1String(q4t::kKeyMimeType))).object();
    QCOMPARE(key.value(QLatin1String("value")).toInt(), 41);
    QCOMPARE(key.value(QLatin1String("label")).toString(), QStringLiteral("Soup"));
    QCOMPARE(key.value(QLatin1String("size")).toInt(), 2);
    QCOMPARE(key.value(QLatin1String("counter")).toInt(), 9);  // on the covered position 41
    QVERIFY(runOnKey(program, 3, cmd::kEditCopy));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("4\t"));
  }

  // Value and label go to the focused key; its shape and counter stay.
  void pasteSetsValueAndLabelAsOneUndoableEdit() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CQ4TForm& form = *program.form();
    QVERIFY(runOnKey(program, 40, cmd::kEditCopy));
    QVERIFY(runOnKey(program, 5, cmd::kEditPaste));
    QCOMPARE(form.table().entry(5).value, 41);
    QCOMPARE(form.table().label(5), std::string("Soup"));
    QCOMPARE(form.table().entry(5).size, q4t::KeySize::Single);
    QCOMPARE(form.table().entry(5).counter, 6);
    QCOMPARE(form.layout().button(5)->text(), QStringLiteral("41"));
    QVERIFY(form.layout().button(5)->isOwnerDrawn());  // changed: red
    QCOMPARE(form.undoStack().count(), 1);
    QCOMPARE(form.undoStack().undoText(), QStringLiteral("Paste"));

    // A number alone sets only the value; a text from elsewhere both.
    QGuiApplication::clipboard()->setText(QStringLiteral(" 7 \r\n"));
    QVERIFY(runOnKey(program, 40, cmd::kEditPaste));
    QCOMPARE(form.table().entry(40).value, 7);
    QCOMPARE(form.table().entry(41).value, 7);
    QCOMPARE(form.table().label(40), std::string("Soup"));
    QCOMPARE(form.table().entry(40).size, q4t::KeySize::DoubleRight);
    QGuiApplication::clipboard()->setText(QStringLiteral("0\tTh\u00e9 vert"));
    QVERIFY(runOnKey(program, 40, cmd::kEditPaste));
    QCOMPARE(form.table().entry(40).value, 0);
    QCOMPARE(form.table().label(40), std::string("Th\xC3\xA9 vert"));
    QCOMPARE(form.undoStack().count(), 3);
    QVERIFY(program.document()->isModified());
  }

  void pastesThatAreNoKeyValueAreRefusedAndChangeNothing() {
    const QString twoMegabytes = QStringLiteral("5") + QString(2 * 1024 * 1024, QLatin1Char(' '));
    const struct {
      QString text;
      QString message;
      QMessageBox::Icon icon;
    } refusals[] = {
        {QString(), kNoInteger, QMessageBox::NoIcon},
        {QStringLiteral("300"), kOutOfRange, QMessageBox::Warning},
        {QStringLiteral("-1\tTea"), kOutOfRange, QMessageBox::Warning},
        {QStringLiteral("abc"), kNoInteger, QMessageBox::NoIcon},
        {QStringLiteral("\tTea"), kNoInteger, QMessageBox::NoIcon},
        {QStringLiteral("5\n6"), kNoInteger, QMessageBox::NoIcon},
        {twoMegabytes, kNoInteger, QMessageBox::NoIcon},
        {QString(2 * 1024 * 1024, QLatin1Char('1')), kNoInteger, QMessageBox::NoIcon},
    };
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CQ4TForm& form = *program.form();
    const std::string before = written(form.table());
    for (const auto& refusal : refusals) {
      MessageBoxAnswerer answerer;
      QGuiApplication::clipboard()->setText(refusal.text);
      QVERIFY(runOnKey(program, 7, cmd::kEditPaste));
      QCOMPARE(answerer.texts(), QStringList{refusal.message});
      QCOMPARE(answerer.icons(), QList<QMessageBox::Icon>{refusal.icon});
      QVERIFY(written(form.table()) == before);
      QCOMPARE(form.undoStack().count(), 0);
      QVERIFY(!program.document()->isModified());
    }
    // The program's own type is checked alike.
    auto* forged = new QMimeData;
    forged->setText(QStringLiteral("5\tTea"));
    forged->setData(QLatin1String(q4t::kKeyMimeType), R"({"value":93,"label":"Tea"})");
    QGuiApplication::clipboard()->setMimeData(forged);
    MessageBoxAnswerer answerer;
    QVERIFY(runOnKey(program, 7, cmd::kEditPaste));
    QCOMPARE(answerer.texts(), QStringList{kOutOfRange});
    QCOMPARE(form.undoStack().count(), 0);
  }
};

QTEST_MAIN(KeyClipboardTest)
#include "KeyClipboardTest.moc"
