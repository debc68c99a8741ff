// Undo and redo in the key layout window: every kind of edit undone to the
// table as it was written and the key buttons as they were, redone to the
// edited ones; the modified mark and the save prompt following the saved
// state; the Edit menu in both window types; the Undo History window.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUndoView>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
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

// 20 a quadruple key with counter 6 on its covered position 21; 50 holds
// counter 7; 7 the label "Milk".
QString startTable(ProgramFixture& program) {
  return program.writeTable(QStringLiteral("start.q4t"), [](KeyTable& t) {
    t.mergeQuadruple(20);
    t.counterOn(20, KeyPosition::TopRight, 6);
    t.counterOn(50, KeyPosition::TopLeft, 7);
    t.setLabel(7, "Milk");
  });
}

// The table as Save writes it, with the change marks the file does not keep.
std::string writtenTable(const q4t::CQ4TForm& form) {
  std::string written;
  q4t::mergeKeyTable("", form.table(), written);
  for (int k = 0; k < q4t::kKeyCount; ++k) written += std::to_string(form.table().entry(k).changed);
  return written;
}

// What the key buttons show: faces, captions and tool tips.
struct Shown {
  q4t::KeyFaces faces;
  QStringList captions;
  bool operator==(const Shown&) const = default;
};
Shown shownKeys(const q4t::CQ4TForm& form) {
  Shown shown{form.layout().faces(), {}};
  for (int k = 0; k < q4t::kKeyCount; ++k)
    shown.captions << form.layout().button(k)->text() + QLatin1Char('|') + form.layout().button(k)->toolTip();
  return shown;
}

void chooseFromMenu(q4t::CQ4TForm& form, int k, int id) {
  QTimer::singleShot(50, qApp, [id] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions())
      if (action->data().toInt() == id) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    if (menu->isVisible()) menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), form.layout().button(k)->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(form.layout().button(k), &event);
}

void counterOn(q4t::CQ4TForm& form, int k, int counter) {
  q4t::test::whenModal([counter](QWidget* dialog) {
    dialog->findChild<QAbstractButton*>(QStringLiteral("1022"))->click();  // top left
    dialog->findChild<QComboBox*>()->setEditText(QString::number(counter));
    dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
  });
  chooseFromMenu(form, k, cmd::kTcoCounterOn);
}

void paste(ProgramFixture& program, int k, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  program.form()->layout().button(k)->setFocus();
  program.app().router().run(cmd::kEditPaste);
}

struct EditCase {
  const char* name;  // as the Edit menu names it
  std::function<void(ProgramFixture&)> edit;
};

const EditCase kEdits[] = {
    {"Change Key Value", [](ProgramFixture& p) { q4t::test::editKeyValue(*p.form(), 5, QStringLiteral("40")); }},
    {"Change Key Value", [](ProgramFixture& p) { q4t::test::editKeyValue(*p.form(), 20, QStringLiteral("9")); }},
    {"Double Key Right", [](ProgramFixture& p) { chooseFromMenu(*p.form(), 7, cmd::kDoubleKeyRight); }},
    {"Double Key Down", [](ProgramFixture& p) { chooseFromMenu(*p.form(), 30, cmd::kDoubleKeyDown); }},
    {"Quadruple Key", [](ProgramFixture& p) { chooseFromMenu(*p.form(), 40, cmd::kQuadrupleKey); }},
    {"Single Key", [](ProgramFixture& p) { chooseFromMenu(*p.form(), 20, cmd::kSingleKey); }},
    {"TCO Counter On", [](ProgramFixture& p) { counterOn(*p.form(), 5, 9); }},
    {"Change TCO Counter", [](ProgramFixture& p) { counterOn(*p.form(), 50, 12); }},
    {"TCO Counter Off", [](ProgramFixture& p) { chooseFromMenu(*p.form(), 20, cmd::kTcoCounterOff); }},
    {"Change Key Label", [](ProgramFixture& p) { p.form()->setKeyLabel(7, QStringLiteral("Espresso")); }},
    {"Paste", [](ProgramFixture& p) { paste(p, 7, QStringLiteral("12\tLatte")); }},
};

// The keys pressed in the main window, made active again after a dialog.
bool pressKeys(ProgramFixture& program, QKeyCombination keys) {
  QWidget& frame = program.app().mainFrame();
  frame.activateWindow();
  if (!QTest::qWaitForWindowActive(&frame)) return false;
  QTest::keySequence(&frame, QKeySequence(keys));
  return true;
}

QString itemText(ProgramFixture& program, int id) {
  program.app().router().updateActions();
  return program.app().router().action(id)->text();
}

bool enabled(ProgramFixture& program, int id) {
  program.app().router().updateActions();
  return program.app().router().action(id)->isEnabled();
}

// The Edit menu's items, "-" for the separator, "(greyed)" after a greyed one.
QString editMenu(ProgramFixture& program) {
  program.app().router().updateActions();
  QStringList items;
  for (const QAction* item : program.app().mainFrame().menuBar()->actions().at(1)->menu()->actions())
    items << (item->isSeparator() ? QStringLiteral("-") : item->text() + (item->isEnabled() ? "" : " (greyed)"));
  return items.join(QLatin1Char('|'));
}

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
      const std::string before = writtenTable(form);
      const Shown shownBefore = shownKeys(form);
      edit.edit(program);
      const std::string edited = writtenTable(form);
      const Shown shownEdited = shownKeys(form);
      QVERIFY2(edited != before, edit.name);
      QCOMPARE(form.undoStack().count(), 1);
      QCOMPARE(itemText(program, cmd::kEditUndo), QStringLiteral("&Undo %1\tCtrl+Z").arg(QLatin1String(edit.name)));

      QVERIFY(pressKeys(program, Qt::CTRL | Qt::Key_Z));
      QVERIFY2(writtenTable(form) == before, edit.name);
      QVERIFY2(shownKeys(form) == shownBefore, edit.name);
      QCOMPARE(itemText(program, cmd::kEditRedo), QStringLiteral("&Redo %1\tCtrl+Y").arg(QLatin1String(edit.name)));
      QVERIFY(pressKeys(program, Qt::CTRL | Qt::Key_Y));
      QVERIFY2(writtenTable(form) == edited, edit.name);
      QVERIFY2(shownKeys(form) == shownEdited, edit.name);
      QVERIFY(pressKeys(program, Qt::ALT | Qt::Key_Backspace));
      QVERIFY2(writtenTable(form) == before, edit.name);
      QVERIFY(pressKeys(program, Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
      QVERIFY2(writtenTable(form) == edited, edit.name);
    }
  }

  // Edits over edits: undone one by one to the opened table, redone to the last.
  void aRunOfEditsUndoesAndRedoesToBothEnds() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CQ4TForm& form = *program.form();
    std::vector<std::string> states{writtenTable(form)};
    for (const EditCase& edit : kEdits) {
      edit.edit(program);
      if (writtenTable(form) != states.back()) states.push_back(writtenTable(form));
    }
    QCOMPARE(form.undoStack().count(), int(states.size()) - 1);
    for (int i = int(states.size()) - 2; i >= 0; --i) {
      QVERIFY(program.app().router().run(cmd::kEditUndo));
      QVERIFY2(writtenTable(form) == states[std::size_t(i)], qPrintable(QString::number(i)));
    }
    QVERIFY(!enabled(program, cmd::kEditUndo));
    while (program.app().router().run(cmd::kEditRedo)) {}
    QVERIFY(writtenTable(form) == states.back());
  }

  void theModifiedMarkAndTheSavePromptFollowTheSavedState() {
    ProgramFixture program;
    const QString path = startTable(program);
    QVERIFY(program.start({path}));
    q4t::CQ4TForm& form = *program.form();
    docview::Document& document = *program.document();
    docview::CommandRouter& router = program.app().router();
    QVERIFY(form.undoStack().count() == 0 && form.undoStack().isClean() && !document.isModified());

    form.setKeyLabel(5, QStringLiteral("Tea"));
    QVERIFY(document.isModified());
    QVERIFY(router.run(cmd::kEditUndo));
    QVERIFY(!document.isModified());
    QVERIFY(router.run(cmd::kEditRedo));
    QVERIFY(router.run(cmd::kFileSave));
    QVERIFY(!document.isModified());
    QVERIFY(router.run(cmd::kEditUndo));  // the file holds "Tea" now
    QVERIFY(document.isModified());
    {
      MessageBoxAnswerer cancel(QMessageBox::Cancel);
      QVERIFY(router.run(cmd::kFileClose));
      QCOMPARE(cancel.texts(), QStringList{QStringLiteral("Save changes to start.q4t?")});
    }
    QVERIFY(router.run(cmd::kEditRedo));
    QVERIFY(!document.isModified());
    {
      MessageBoxAnswerer none;
      QVERIFY(router.run(cmd::kFileClose));
      QVERIFY(none.texts().isEmpty());
    }
    QVERIFY(program.app().openDocumentFile(path));
    QCOMPARE(program.form()->undoStack().count(), 0);
    QCOMPARE(QString::fromStdString(program.form()->table().label(5)), QStringLiteral("Tea"));

    // A saved state undone and then replaced by another edit cannot come back.
    program.form()->setKeyLabel(5, QStringLiteral("Coffee"));
    QVERIFY(router.run(cmd::kFileSave));
    QVERIFY(router.run(cmd::kEditUndo));
    program.form()->setKeyLabel(4, QStringLiteral("Juice"));
    QVERIFY(router.run(cmd::kEditUndo));
    QVERIFY(program.document()->isModified());  // the file holds "Coffee"
  }

  void editMenuInBothWindows() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CQ4TForm& form = *program.form();
    form.layout().button(7)->setFocus();
    QCOMPARE(editMenu(program), QStringLiteral("&Undo\tCtrl+Z (greyed)|&Redo\tCtrl+Y (greyed)|-|&Copy\tCtrl+C|&Paste\tCtrl+V"));
    form.setKeyLabel(5, QStringLiteral("Tea"));
    QCOMPARE(editMenu(program),
             QStringLiteral("&Undo Change Key Label\tCtrl+Z|&Redo\tCtrl+Y (greyed)|-|&Copy\tCtrl+C|&Paste\tCtrl+V"));
    QVERIFY(program.app().router().run(cmd::kEditUndo));
    QCOMPARE(editMenu(program),
             QStringLiteral("&Undo\tCtrl+Z (greyed)|&Redo Change Key Label\tCtrl+Y|-|&Copy\tCtrl+C|&Paste\tCtrl+V"));
    // No key has the focus: nothing to copy or paste.
    form.layout().button(7)->clearFocus();
    QVERIFY(!enabled(program, cmd::kEditCopy) && !enabled(program, cmd::kEditPaste));
    const QStringList prompts{program.app().router().action(cmd::kEditUndo)->statusTip(),
                              program.app().router().action(cmd::kEditRedo)->statusTip(),
                              program.app().router().action(cmd::kEditCopy)->statusTip(),
                              program.app().router().action(cmd::kEditPaste)->statusTip()};
    QCOMPARE(prompts, (QStringList{"Undo the last action", "Redo the previously undone action",
                                   "Copy the selection and put it on the Clipboard", "Insert Clipboard contents"}));

    // The TCO window: only Copy, which copies the counter rows; the undo texts name nothing.
    program.app().tcoTemplate().openDocument({});
    QCOMPARE(editMenu(program),
             QStringLiteral("&Undo\tCtrl+Z (greyed)|&Redo\tCtrl+Y (greyed)|-|&Copy\tCtrl+C|&Paste\tCtrl+V (greyed)"));
    QVERIFY(program.app().router().run(cmd::kEditCopy));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Counter\tKey Location\tValue\n")));
    QCOMPARE(form.undoStack().index(), 0);  // the key layout window's stack is left alone
  }

  void undoHistoryWindowGoesBackToAnEntryAndGoesWithItsWindow() {
    ProgramFixture program;
    QVERIFY(program.start({startTable(program)}));
    q4t::CMainFrame& frame = program.app().mainFrame();
    QVERIFY(frame.undoHistoryDock().isHidden());
    QVERIFY(program.app().router().run(cmd::kViewUndoHistory));
    QVERIFY(frame.undoHistoryDock().isVisible());
    QVERIFY(program.app().router().action(cmd::kViewUndoHistory)->isChecked());

    const std::string opened = writtenTable(*program.form());
    for (const QString& label : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
      program.form()->setKeyLabel(5, label);
    auto* list = frame.undoHistoryDock().findChild<QUndoView*>();
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Window opened"));
    QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("Change Key Label"));
    list->setCurrentIndex(list->model()->index(0, 0));
    QVERIFY(writtenTable(*program.form()) == opened);
    QVERIFY(!program.document()->isModified());

    // A new window replaces this one: its stack goes with it, the new one's is followed.
    QPointer<QUndoStack> first = &program.form()->undoStack();
    QVERIFY(program.app().newDocument());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QCOMPARE(frame.undoGroup().stacks(), QList<QUndoStack*>{&program.form()->undoStack()});
    QCOMPARE(frame.undoGroup().activeStack(), &program.form()->undoStack());
    QVERIFY(program.app().router().run(cmd::kFileClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame.undoGroup().stacks().isEmpty());
  }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"
