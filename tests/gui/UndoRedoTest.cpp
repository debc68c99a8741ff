// Undo, redo, copy and paste in the key layout window: every kind of edit
// undone to the table as written and the keys as shown before, redone to the
// edited ones; the modified mark and the save prompt following the saved
// state; pastes refused; the Edit menu in both window types; Undo History.
#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUndoView>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyClipboard.h"
#include "model/KeyTableText.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

// 20 a quadruple key with counter 6 on its covered position 21; 50 holds
// counter 7; 7 the label "Milk".
QString startTable(ProgramFixture& program) {
  return program.writeTable(QStringLiteral("start.q4t"), [](q4t::KeyTable& t) {
    t.mergeQuadruple(20);
    t.counterOn(20, q4t::KeyPosition::TopRight, 6);
    t.counterOn(50, q4t::KeyPosition::TopLeft, 7);
    t.setLabel(7, "Milk");
  });
}

// The table as Save writes it, with what the file does not hold: change
// marks, counter slots and the count of counters in use.
std::string wholeTable(const q4t::CQ4TForm& form) {
  std::string written;
  q4t::mergeKeyTable("", form.table(), written);
  for (int k = 0; k < q4t::kKeyCount; ++k) written += std::to_string(form.table().entry(k).changed);
  for (const q4t::TcoCounterSlot& slot : form.table().counters()) written += ' ' + std::to_string(slot.ownerKey);
  return written + ' ' + std::to_string(form.table().countersInUse());
}

// Faces, captions and tool tips of the key buttons.
QString shownKeys(const q4t::CQ4TForm& form) {
  QString shown;
  for (const q4t::KeyFace& face : form.layout().faces())
    shown += QStringLiteral("%1,%2,%3;").arg(QVariant(face.geometry).toString()).arg(face.hidden).arg(face.ownerDrawn);
  for (int k = 0; k < q4t::kKeyCount; ++k) shown += form.layout().button(k)->text() + form.layout().button(k)->toolTip();
  return shown;
}

void counterOn(q4t::CQ4TForm& form, int k, int counter) {
  q4t::test::whenModal([counter](QWidget* dialog) {
    dialog->findChild<QAbstractButton*>(QStringLiteral("1022"))->click();  // top left
    dialog->findChild<QComboBox*>()->setEditText(QString::number(counter));
    dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
  });
  q4t::test::chooseFromKeyMenu(form, k, cmd::kTcoCounterOn);
}

bool runOnKey(ProgramFixture& program, int k, int id) {
  program.form()->layout().button(k)->setFocus();
  return program.app().router().run(id);
}

bool paste(ProgramFixture& program, int k, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  return runOnKey(program, k, cmd::kEditPaste);
}

// The keys pressed in the main window, made active again after a dialog.
void pressKeys(ProgramFixture& program, QKeyCombination keys) {
  QWidget& frame = program.app().mainFrame();
  frame.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&frame));
  QTest::keySequence(&frame, QKeySequence(keys));
}

// The Edit menu's items, "-" for the separator, "(greyed)" after a greyed one.
QString editMenu(ProgramFixture& program) {
  program.app().router().updateActions();
  QStringList items;
  for (const QAction* item : program.app().mainFrame().menuBar()->actions().at(1)->menu()->actions())
    items << (item->isSeparator() ? QStringLiteral("-") : item->text() + (item->isEnabled() ? "" : " (greyed)"));
  return items.join(QLatin1Char('|'));
}

struct EditCase {
  const char* name;  // as the Edit menu names it
  std::function<void(ProgramFixture&)> edit;
};

const EditCase kEdits[] = {
    {"Change Key Value", [](ProgramFixture& p) { q4t::test::editKeyValue(*p.form(), 5, QStringLiteral("40")); }},
    {"Change Key Value", [](ProgramFixture& p) { q4t::test::editKeyValue(*p.form(), 20, QStringLiteral("9")); }},
    {"Double Key Right", [](ProgramFixture& p) { q4t::test::chooseFromKeyMenu(*p.form(), 7, cmd::kDoubleKeyRight); }},
    {"Double Key Down", [](ProgramFixture& p) { q4t::test::chooseFromKeyMenu(*p.form(), 30, cmd::kDoubleKeyDown); }},
    {"Quadruple Key", [](ProgramFixture& p) { q4t::test::chooseFromKeyMenu(*p.form(), 40, cmd::kQuadrupleKey); }},
    {"Single Key", [](ProgramFixture& p) { q4t::test::chooseFromKeyMenu(*p.form(), 20, cmd::kSingleKey); }},
    {"TCO Counter On", [](ProgramFixture& p) { counterOn(*p.form(), 5, 9); }},
    {"Change TCO Counter", [](ProgramFixture& p) { counterOn(*p.form(), 50, 12); }},
    {"TCO Counter Off", [](ProgramFixture& p) { q4t::test::chooseFromKeyMenu(*p.form(), 20, cmd::kTcoCounterOff); }},
    {"Change Key Label", [](ProgramFixture& p) { p.form()->setKeyLabel(7, QStringLiteral("Espresso")); }},
    {"Paste", [](ProgramFixture& p) { paste(p, 7, QStringLiteral("12\tLatte")); }},
};

const QString kNoInteger = QStringLiteral("Please enter an integer.");
const QString kOutOfRange = QStringLiteral("Please enter an integer between 0 and 92.");

}  // namespace

class UndoRedoTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void everyEditUndoesToTheWrittenTableAndRedoesIt() {
    for (const EditCase& edit : kEdits) {
      ProgramFixture program;
      QVERIFY(program.start({startTable(program)}));
      q4t::CQ4TForm& form = *program.form();
      const std::string before = wholeTable(form);
      const QString shownBefore = shownKeys(form);
      edit.edit(program);
      const std::string edited = wholeTable(form);
      const QString shownEdited = shownKeys(form);
      QVERIFY2(edited != before && form.undoStack().count() == 1, edit.name);
      QCOMPARE(editMenu(program).section('|', 0, 0), QStringLiteral("&Undo %1\tCtrl+Z").arg(edit.name));

      pressKeys(program, Qt::CTRL | Qt::Key_Z);
      QVERIFY2(wholeTable(form) == before && shownKeys(form) == shownBefore, edit.name);
      QCOMPARE(editMenu(program).section('|', 1, 1), QStringLiteral("&Redo %1\tCtrl+Y").arg(edit.name));
      pressKeys(program, Qt::CTRL | Qt::Key_Y);
      QVERIFY2(wholeTable(form) == edited && shownKeys(form) == shownEdited, edit.name);
      pressKeys(program, Qt::ALT | Qt::Key_Backspace);
      QVERIFY2(wholeTable(form) == before, edit.name);
      pressKeys(program, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
      QVERIFY2(wholeTable(form) == edited, edit.name);
    }
  }

  void theModifiedMarkAndTheSavePromptFollowTheSavedState() {
    ProgramFixture program;
    const QString path = startTable(program);
    QVERIFY(program.start({path}));
    docview::CommandRouter& router = program.app().router();
    const auto modified = [&program] { return program.document()->isModified(); };
    q4t::test::chooseFromKeyMenu(*program.form(), 19, cmd::kDoubleKeyRight);  // refused: 20 is merged
    QVERIFY(program.form()->undoStack().count() == 0 && !modified());

    program.form()->setKeyLabel(5, QStringLiteral("Tea"));
    QVERIFY(modified());
    QVERIFY(router.run(cmd::kEditUndo) && !modified());
    QVERIFY(router.run(cmd::kEditRedo) && router.run(cmd::kFileSave) && !modified());
    QVERIFY(router.run(cmd::kEditUndo) && modified());  // the file holds "Tea"
    {
      MessageBoxAnswerer cancel(QMessageBox::Cancel);
      QVERIFY(router.run(cmd::kFileClose));
      QCOMPARE(cancel.texts(), QStringList{QStringLiteral("Save changes to start.q4t?")});
    }
    QVERIFY(router.run(cmd::kEditRedo) && !modified());
    {
      MessageBoxAnswerer none;
      QVERIFY(router.run(cmd::kFileClose));
      QVERIFY(none.texts().isEmpty());
    }
    // Opened again: an empty stack. A saved state undone and replaced by another edit cannot come back.
    QVERIFY(program.app().openDocumentFile(path));
    QCOMPARE(program.form()->undoStack().count(), 0);
    program.form()->setKeyLabel(5, QStringLiteral("Coffee"));
    QVERIFY(router.run(cmd::kFileSave) && router.run(cmd::kEditUndo));
    program.form()->setKeyLabel(4, QStringLiteral("Juice"));
    QVERIFY(router.run(cmd::kEditUndo) && modified());
  }

  // Copy gives text and the program's own type; Paste sets value and label,
  // never shape or counter, and refuses what is no key value.
  void copyAndPasteOfKeys() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CQ4TForm& form = *program.form();
    QVERIFY(runOnKey(program, 20, cmd::kEditCopy));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("21\t"));
    const QJsonObject copied =
        QJsonDocument::fromJson(QGuiApplication::clipboard()->mimeData()->data(q4t::kKeyMimeType)).object();
    QCOMPARE(copied, (QJsonObject{{"value", 21}, {"label", ""}, {"size", 14}, {"counter", 6}}));
    QVERIFY(runOnKey(program, 7, cmd::kEditCopy));
    QVERIFY(runOnKey(program, 50, cmd::kEditPaste));
    QCOMPARE(form.table().entry(50).value, 8);
    QCOMPARE(form.table().label(50), std::string("Milk"));
    QCOMPARE(form.table().entry(50).counter, 7);
    form.setKeyLabel(20, QStringLiteral("Tea"));
    QVERIFY(paste(program, 20, QStringLiteral(" 3 \r\n")));  // a number alone: the value only
    QCOMPARE(form.table().label(20), std::string("Tea"));
    QCOMPARE(form.table().entry(3).value, 3);
    QCOMPARE(form.table().entry(20).size, q4t::KeySize::Quadruple);
    QVERIFY(paste(program, 20, QStringLiteral("9\tHot milk")));  // text as another program copies a key
    QCOMPARE(form.table().entry(20).value, 9);
    QCOMPARE(form.table().label(20), std::string("Hot milk"));
    auto* unlabelled = new QMimeData;  // the program's type without a label: the text is taken instead
    unlabelled->setText(QStringLiteral("11"));
    unlabelled->setData(q4t::kKeyMimeType, R"({"value":12})");
    QGuiApplication::clipboard()->setMimeData(unlabelled);
    QVERIFY(runOnKey(program, 20, cmd::kEditPaste));
    QCOMPARE(form.table().entry(20).value, 11);
    QCOMPARE(form.table().label(20), std::string("Hot milk"));

    const std::string before = wholeTable(form);
    const int commands = form.undoStack().count();
    const QString twoMegabytes = QStringLiteral("5") + QString(2 * 1024 * 1024, QLatin1Char(' '));
    const std::pair<QString, QString> refusals[] = {
        {QString(), kNoInteger},        {QStringLiteral("300"), kOutOfRange}, {QStringLiteral("abc"), kNoInteger},
        {QStringLiteral("\tTea"), kNoInteger}, {QStringLiteral("5\n6"), kNoInteger}, {twoMegabytes, kNoInteger}};
    for (const auto& [text, message] : refusals) {
      MessageBoxAnswerer answerer;
      QVERIFY(paste(program, 7, text));
      QCOMPARE(answerer.texts(), QStringList{message});
      QCOMPARE(answerer.icons().value(0), message == kOutOfRange ? QMessageBox::Warning : QMessageBox::NoIcon);
    }
    auto* forged = new QMimeData;  // the program's own type is checked alike
    forged->setText(QStringLiteral("5"));
    forged->setData(q4t::kKeyMimeType, R"({"value":93,"label":"Tea"})");
    QGuiApplication::clipboard()->setMimeData(forged);
    MessageBoxAnswerer answerer;
    QVERIFY(runOnKey(program, 7, cmd::kEditPaste));
    QCOMPARE(answerer.texts(), QStringList{kOutOfRange});
    QVERIFY(wholeTable(form) == before);
    QCOMPARE(form.undoStack().count(), commands);
  }

  void editMenuInBothWindowsAndTheUndoHistory() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CMainFrame& frame = program.app().mainFrame();
    q4t::CQ4TForm& form = *program.form();
    form.layout().button(7)->setFocus();
    QCOMPARE(editMenu(program), QStringLiteral("&Undo\tCtrl+Z (greyed)|&Redo\tCtrl+Y (greyed)|-|&Copy\tCtrl+C|&Paste\tCtrl+V"));
    const std::string opened = wholeTable(form);
    for (const QString& label : {QStringLiteral("A"), QStringLiteral("B")}) form.setKeyLabel(5, label);
    QVERIFY(program.app().router().run(cmd::kEditUndo));
    QCOMPARE(editMenu(program), QStringLiteral("&Undo Change Key Label\tCtrl+Z|&Redo Change Key Label\tCtrl+Y|-|"
                                               "&Copy\tCtrl+C|&Paste\tCtrl+V"));
    form.layout().button(7)->clearFocus();  // no key to copy or paste
    QCOMPARE(editMenu(program).section('|', 3), QStringLiteral("&Copy\tCtrl+C (greyed)|&Paste\tCtrl+V (greyed)"));

    QVERIFY(frame.undoHistoryDock().isHidden());
    QVERIFY(program.app().router().run(cmd::kViewUndoHistory) && frame.undoHistoryDock().isVisible());
    auto* list = frame.undoHistoryDock().findChild<QUndoView*>();
    QCOMPARE(list->model()->rowCount(), 3);
    list->setCurrentIndex(list->model()->index(0, 0));  // "Window opened"
    QVERIFY(wholeTable(form) == opened && !program.document()->isModified());

    // The TCO window: only Copy, which copies the counter rows.
    program.app().tcoTemplate().openDocument({});
    QCOMPARE(editMenu(program), QStringLiteral("&Undo\tCtrl+Z (greyed)|&Redo\tCtrl+Y (greyed)|-|&Copy\tCtrl+C|"
                                               "&Paste\tCtrl+V (greyed)"));
    QVERIFY(program.app().router().run(cmd::kEditCopy));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Counter\tKey Location\tValue\n")));

    // A new window replaces this one: its stack goes with it.
    QPointer<QUndoStack> first = &form.undoStack();
    QVERIFY(program.app().newDocument());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QCOMPARE(frame.undoGroup().stacks(), QList<QUndoStack*>{&program.form()->undoStack()});
  }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"
