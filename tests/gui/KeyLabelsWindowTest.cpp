// Key labels in the running program: the Key Labels window following the
// active window and the edits, typing in it, the key buttons' tool tips,
// saving, and the sheet commands' enabling.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/CMainFrame.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyLabelsModel.h"
#include "editor/KeyLabelsPanel.h"
#include "editor/LabelLengthValidator.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/CommandIds.h"

using q4t::KeyLabelsModel;
using q4t::KeyTable;
using q4t::test::MessageBoxAnswerer;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

// Labels at 82 (top left), 5 and 6; 36 a quadruple key over 37, 18 and 19.
QString labelledTable(ProgramFixture& program, const QString& name, const QString& topLeft) {
  return program.writeTable(name, [&topLeft](KeyTable& t) {
    t.setLabel(82, topLeft.toStdString());
    t.setLabel(5, "Void");
    t.setLabel(6, "Thé vert");
    t.mergeQuadruple(36);
  });
}

KeyLabelsModel& labels(ProgramFixture& program) { return program.app().keyLabels().model(); }

QString savedLabel(const QString& path, int k) {
  KeyTable saved;
  return q4t::readKeyTable(path.toStdString(), saved) ? QString::fromStdString(saved.label(k)) : QStringLiteral("?");
}

QString labelAt(ProgramFixture& program, int k) {
  KeyLabelsModel& model = labels(program);
  return model.data(model.index(model.rowOf(k), KeyLabelsModel::LabelColumn), Qt::DisplayRole).toString();
}

// The text a key button's tool tip shows.
QString shownToolTip(ProgramFixture& program, int k) {
  QTextDocument shown;
  shown.setHtml(program.form()->layout().button(k)->toolTip());
  return shown.toPlainText();
}

// Opens key k's label in the list for editing.
QLineEdit* editLabel(ProgramFixture& program, int k) {
  KeyLabelsModel& model = labels(program);
  QTableView& view = program.app().keyLabels().table();
  program.app().mainFrame().keyLabelsDock().show();
  view.edit(model.index(model.rowOf(k), KeyLabelsModel::LabelColumn));
  return view.findChild<QLineEdit*>();
}

bool enabled(ProgramFixture& program, int id) {
  program.app().router().updateActions();
  return program.app().router().action(id)->isEnabled();
}

// The Key Labels window shown in the active main window.
QTableView& showLabelList(ProgramFixture& program) {
  program.app().router().run(cmd::kViewKeyLabels);
  QWidget& main = program.app().mainFrame();
  main.activateWindow();
  QTableView& view = program.app().keyLabels().table();
  [[maybe_unused]] const bool ready =
      QTest::qWaitForWindowActive(&main) && QTest::qWaitFor([&view] { return view.viewport()->height() > 100; });
  return view;
}

// Where key k's cell shows, scrolled into view.
QPoint cellCentre(ProgramFixture& program, int k, int column) {
  KeyLabelsModel& model = labels(program);
  QTableView& view = program.app().keyLabels().table();
  view.scrollTo(model.index(model.rowOf(k), column));
  return view.visualRect(model.index(model.rowOf(k), column)).center();
}

// A double-click on key k's cell as the mouse gives it: press, release, double-click, release.
void doubleClick(ProgramFixture& program, int k, int column) {
  QWidget* viewport = program.app().keyLabels().table().viewport();
  const QPoint at = cellCentre(program, k, column);
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

// Keys as a user types them: to whatever has the focus, each taken before the next.
void typeKeys(const QString& text) {
  for (const QChar c : text) {
    QTest::keyClicks(QApplication::focusWidget(), QString(c));
    QCoreApplication::processEvents();
  }
}
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  QCoreApplication::processEvents();
}

QList<int> keyValues(const q4t::CQ4TForm& form) {
  QList<int> values;
  for (int k = 0; k < q4t::kKeyCount; ++k) values << form.table().entry(k).value;
  return values;
}

QList<int> markedKeys(const q4t::CQ4TForm& form) {
  QList<int> marked;
  for (int k = 0; k < q4t::kKeyCount; ++k)
    if (form.layout().button(k)->isMarkedCurrent()) marked << k;
  return marked;
}

bool focusInList(QTableView& view) {
  QWidget* focused = QApplication::focusWidget();
  return focused == &view || view.isAncestorOf(focused);
}

// Whether one of the model's dataChanged signals covered the cell.
bool told(const QSignalSpy& spy, const QModelIndex& cell) {
  for (const QList<QVariant>& signal : spy) {
    const auto first = signal[0].toModelIndex(), last = signal[1].toModelIndex();
    if (first.row() <= cell.row() && cell.row() <= last.row() && first.column() <= cell.column() &&
        cell.column() <= last.column())
      return true;
  }
  return false;
}

}  // namespace

class KeyLabelsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void keyLabelsWindowIsHiddenAtFirstAndFollowsTheActiveWindow() {
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    const QString b = labelledTable(program, QStringLiteral("b.q4t"), QStringLiteral("Café crème"));
    QVERIFY(program.start({a}));
    QDockWidget& dock = program.app().mainFrame().keyLabelsDock();
    QCOMPARE(dock.windowTitle(), QStringLiteral("Key Labels"));
    QVERIFY(!dock.isVisible());
    QVERIFY(!program.app().router().action(cmd::kViewKeyLabels)->isChecked());
    program.app().router().run(cmd::kViewKeyLabels);
    program.app().router().updateActions();
    QVERIFY(dock.isVisible() && program.app().router().action(cmd::kViewKeyLabels)->isChecked());

    // Grid order, top row first; the quadruple key as one row.
    KeyLabelsModel& model = labels(program);
    QCOMPARE(model.rowCount(), 92 - 3);
    QCOMPARE(model.keyAt(0), 82);
    QCOMPARE(model.keyAt(10), 72);
    QCOMPARE(model.keyAt(model.rowCount() - 1), 17);
    QCOMPARE(model.rowOf(37), -1);
    QCOMPARE(model.data(model.index(0, KeyLabelsModel::ValueColumn), Qt::DisplayRole).toInt(), 83);
    QCOMPARE(labelAt(program, 82), QStringLiteral("Kaffee groß"));
    for (int id : {cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFileExport}) QVERIFY(enabled(program, id));

    // The TCO window empties the list and greys the sheet commands.
    program.app().tcoTemplate().openDocument({});
    QCOMPARE(model.rowCount(), 0);
    for (int id : {cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFileExport}) QVERIFY(!enabled(program, id));
    program.app().mainFrame().workspace().activatePreviousSubWindow();
    QCOMPARE(model.rowCount(), 92 - 3);
    QVERIFY(enabled(program, cmd::kFilePrint));

    // Another table replaces the window: its labels are listed.
    QVERIFY(program.app().openDocumentFile(b));
    QCOMPARE(labelAt(program, 82), QStringLiteral("Café crème"));
    QCOMPARE(model.form(), program.form());
  }

  void editedLabelsMarkTheDocumentAndReachTheButtonsAndTheFile() {
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    QVERIFY(program.start({a}));
    KeyLabelsModel& model = labels(program);
    q4t::CQ4TForm& form = *program.form();
    QCOMPARE(shownToolTip(program, 5), QStringLiteral("Void"));
    QCOMPARE(form.layout().button(5)->accessibleDescription(), QStringLiteral("Void"));
    QVERIFY(form.layout().button(7)->toolTip().isEmpty());

    // The same label again is no edit.
    QVERIFY(model.setData(model.index(model.rowOf(5), KeyLabelsModel::LabelColumn), QStringLiteral("Void"), Qt::EditRole));
    QVERIFY(!program.document()->isModified());
    QVERIFY(model.setData(model.index(model.rowOf(5), KeyLabelsModel::LabelColumn), QStringLiteral("Crème brûlée"),
                          Qt::EditRole));
    QVERIFY(program.document()->isModified());
    QCOMPARE(shownToolTip(program, 5), QStringLiteral("Crème brûlée"));
    QCOMPARE(form.layout().button(5)->accessibleDescription(), QStringLiteral("Crème brûlée"));

    // Typed in the list: no more than 40 characters are taken.
    QTableView& view = program.app().keyLabels().table();
    program.app().mainFrame().keyLabelsDock().show();
    const QModelIndex cell = model.index(model.rowOf(7), KeyLabelsModel::LabelColumn);
    view.edit(cell);
    auto* editor = view.findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QString(45, QLatin1Char('x')));
    QCOMPARE(editor->text().size(), 40);
    // The edit keys that the key layout window gives to nobody work here.
    program.app().mainFrame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&program.app().mainFrame()));
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    QVERIFY(editor->text().isEmpty());
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor->text().size(), 40);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(labelAt(program, 7), QString(40, QLatin1Char('x')));  // committed after the key
    QCOMPARE(shownToolTip(program, 7), QString(40, QLatin1Char('x')));

    // A changed value shows in the list: its cell is told, the rows stay.
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    q4t::test::editKeyValue(form, 5, QStringLiteral("77"));
    const QModelIndex valueCell = model.index(model.rowOf(5), KeyLabelsModel::ValueColumn);
    QCOMPARE(model.data(valueCell, Qt::DisplayRole).toInt(), 77);
    QVERIFY(told(changes, valueCell));
    QCOMPARE(resets.size(), 0);

    // Merging 5 with 6 keeps 5's label and drops 6's row and label; splitting brings 6 back bare.
    q4t::test::chooseFromKeyMenu(*program.form(), 5, cmd::kDoubleKeyRight);
    QCOMPARE(model.rowCount(), 92 - 3 - 1);
    QCOMPARE(model.rowOf(6), -1);
    QCOMPARE(labelAt(program, 5), QStringLiteral("Crème brûlée"));
    q4t::test::chooseFromKeyMenu(*program.form(), 5, cmd::kSingleKey);
    QCOMPARE(model.rowCount(), 92 - 3);
    QCOMPARE(labelAt(program, 6), QString());
    QVERIFY(form.layout().button(6)->toolTip().isEmpty());

    program.app().router().run(cmd::kFileSave);
    QVERIFY(!program.document()->isModified());
    KeyTable saved;
    QVERIFY(q4t::readKeyTable(a.toStdString(), saved));
    QCOMPARE(QString::fromStdString(saved.label(5)), QStringLiteral("Crème brûlée"));
    QCOMPARE(QString::fromStdString(saved.label(82)), QStringLiteral("Kaffee groß"));
    QCOMPARE(saved.label(6), std::string());
    QCOMPARE(saved.entry(5).value, 77);
  }

  // Typed, pasted, committed unchanged: a label is counted in characters as
  // the file counts them, and Enter on an unchanged label changes nothing.
  void labelFieldCountsCharactersAndAnUnchangedLabelStays() {
    ProgramFixture program;
    const QString latin1 = program.writeTable(QStringLiteral("latin1.q4t"), [](KeyTable& t) {
      t.setLabel(5, "@5");
      t.setLabel(6, "@6");
    });
    QFile file(latin1);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll().replace("@5", "Caf\xE9 cr\xE8me").replace("@6", "Gr\xFCner Tee");
    file.resize(0);
    file.seek(0);
    file.write(bytes);
    file.close();
    QVERIFY(program.start({latin1}));
    QCOMPARE(labelAt(program, 5), QStringLiteral("Café crème"));

    const QString emoji = QStringLiteral("\U0001F600");
    const std::pair<QString, QString> typed[] = {
        {emoji.repeated(45), emoji.repeated(40)},
        {QString(39, QLatin1Char('a')) + emoji + QLatin1Char('b'), QString(39, QLatin1Char('a')) + emoji},
        {QStringLiteral("<b>Ä</b>"), QStringLiteral("<b>Ä</b>")},
    };
    // One check leaves a text that fits, never half a character.
    q4t::LabelLengthValidator validator;
    QString pasted = QString(39, QLatin1Char('a')) + emoji + emoji;
    int position = static_cast<int>(pasted.size());
    QCOMPARE(validator.validate(pasted, position), QValidator::Acceptable);
    QCOMPARE(pasted, QString(39, QLatin1Char('a')) + emoji);
    for (const auto& [text, kept] : typed) {
      QLineEdit* editor = editLabel(program, 7);
      QVERIFY(editor);
      editor->insert(text);
      QCOMPARE(editor->text(), kept);
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_COMPARE(labelAt(program, 7), kept);
      QCOMPARE(shownToolTip(program, 7), kept);
    }

    // Opened and left with Enter: no edit, the file's bytes as they were.
    program.app().router().run(cmd::kFileSave);
    QVERIFY(!program.document()->isModified());
    for (int k : {5, 6, 7}) {
      QLineEdit* editor = editLabel(program, k);
      QVERIFY(editor);
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_VERIFY(!program.app().keyLabels().table().findChild<QLineEdit*>());
      QVERIFY2(!program.document()->isModified(), qPrintable(QString::number(k)));
    }
    QCOMPARE(labelAt(program, 5), QStringLiteral("Café crème"));
    QCOMPARE(labelAt(program, 6), QStringLiteral("Grüner Tee"));
  }

  // A label that looks like HTML shows as typed in the key's tool tip.
  void toolTipsShowLabelsAsTyped() {
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    QVERIFY(program.start({a}));
    const QString shown[] = {QStringLiteral("<font size=7 color=red>BIG</font>"), QStringLiteral("<img src=x.png>"),
                             QStringLiteral("Fish &amp;  Chips"), QStringLiteral("a < b > c")};
    for (const QString& label : shown) {
      program.form()->setKeyLabel(9, label);
      QCOMPARE(shownToolTip(program, 9), label);
      QCOMPARE(program.form()->layout().button(9)->accessibleDescription(), label);
    }
  }

  void selectedRowAndFocusedKeyButtonFollowEachOther() {
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    QVERIFY(program.start({a}));
    program.app().router().run(cmd::kViewKeyLabels);
    QWidget& main = program.app().mainFrame();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    KeyLabelsModel& model = labels(program);
    QTableView& view = program.app().keyLabels().table();
    q4t::CQ4TForm& form = *program.form();

    // Tabbing into the list stays there, on the row of the key last focused
    // or else the first; choosing a row moves to its key.
    form.layout().button(7)->setFocus();
    view.setFocus(Qt::TabFocusReason);
    QVERIFY(view.hasFocus());
    QCOMPARE(model.keyAt(view.currentIndex().row()), 7);
    // Typing there gives the key a new label.
    QTest::keyClick(&view, 'Z');
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ahlung"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(labelAt(program, 7), QStringLiteral("Zahlung"));
    QTRY_VERIFY(view.hasFocus());
    program.app().mainFrame().workspace().setFocus();
    view.setCurrentIndex({});
    view.setFocus(Qt::TabFocusReason);
    QVERIFY(view.hasFocus());
    QCOMPARE(view.currentIndex().row(), 0);
    view.selectRow(model.rowOf(36));
    QVERIFY(view.hasFocus());
    QCOMPARE(markedKeys(form), QList<int>{36});
    form.layout().button(50)->setFocus();
    QCOMPARE(model.keyAt(view.currentIndex().row()), 50);
    QCOMPARE(markedKeys(form), QList<int>{50});
    // The mark goes and comes with the list.
    program.app().router().run(cmd::kViewKeyLabels);
    QVERIFY(markedKeys(form).isEmpty());
    program.app().router().run(cmd::kViewKeyLabels);
    QCOMPARE(markedKeys(form), QList<int>{50});
    // Tab over the key buttons: the row goes with the focus.
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      auto* focused = qobject_cast<q4t::KeyButton*>(QApplication::focusWidget());
      QVERIFY(focused);
      QCOMPARE(model.keyAt(view.currentIndex().row()), focused->index());
    }
    QVERIFY(model.keyAt(view.currentIndex().row()) != 50);
    // Without a key layout window the list is empty and marks no key.
    program.app().tcoTemplate().openDocument({});
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(markedKeys(form).isEmpty());
  }

  // Typing in the list labels keys and never reaches a key button: no value
  // changes, no Change Key Value dialog opens.
  void keysTypedInTheListStayInTheList() {
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    QVERIFY(program.start({a}));
    QTableView& view = showLabelList(program);
    q4t::CQ4TForm& form = *program.form();
    const QList<int> values = keyValues(form);

    doubleClick(program, 83, KeyLabelsModel::LabelColumn);
    QVERIFY(focusInList(view));
    typeKeys(QStringLiteral("Milch"));
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Down);
    typeKeys(QStringLiteral("Heisse Schokolade"));
    pressKey(Qt::Key_Return);
    QCOMPARE(labelAt(program, 83), QStringLiteral("Milch"));
    QCOMPARE(labelAt(program, 84), QStringLiteral("Heisse Schokolade"));
    QVERIFY(focusInList(view));
    QCOMPARE(markedKeys(form), QList<int>{84});
    const QImage marked = form.layout().button(84)->grab().toImage();
    QCOMPARE(marked.pixelColor(1, marked.height() / 2), form.palette().color(QPalette::Highlight));

    // Tab and Backtab go a row down and up, out of an editor too; Space starts a label.
    pressKey(Qt::Key_Tab);
    typeKeys(QStringLiteral("Tee"));
    pressKey(Qt::Key_Tab);
    QVERIFY(view.indexWidget(labels(program).index(labels(program).rowOf(86), KeyLabelsModel::LabelColumn)));
    typeKeys(QStringLiteral("Kakao"));
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Backtab);
    pressKey(Qt::Key_Up);
    pressKey(Qt::Key_Space);
    typeKeys(QStringLiteral("Chai"));
    pressKey(Qt::Key_Return);
    QCOMPARE(labelAt(program, 85), QStringLiteral("Tee"));
    QCOMPARE(labelAt(program, 86), QStringLiteral("Kakao"));
    QCOMPARE(labelAt(program, 84), QStringLiteral("Chai"));
    QVERIFY(focusInList(view));
    QCOMPARE(markedKeys(form), QList<int>{84});

    // A key's number and value are not edited in place: a double-click there
    // opens nothing, and what is typed next labels the row.
    for (int column : {KeyLabelsModel::KeyColumn, KeyLabelsModel::ValueColumn}) {
      doubleClick(program, 87, column);
      QVERIFY(!view.indexWidget(view.model()->index(labels(program).rowOf(87), column)));
    }
    typeKeys(QStringLiteral("9"));
    pressKey(Qt::Key_Return);
    QCOMPARE(labelAt(program, 87), QStringLiteral("9"));
    QCOMPARE(keyValues(form), values);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void aLabelBeingTypedIsTakenBeforeTheCommand_data() {
    QTest::addColumn<int>("command");  // 0: the main window's close box
    QTest::newRow("Save") << cmd::kFileSave;
    QTest::newRow("Save As") << cmd::kFileSaveAs;
    QTest::newRow("Print") << cmd::kFilePrint;
    QTest::newRow("Export") << cmd::kFileExport;
    QTest::newRow("Close") << cmd::kFileClose;
    QTest::newRow("Exit") << cmd::kExit;
    QTest::newRow("close box") << 0;
  }

  // What the editor still shows is what the file, the sheet or the save
  // prompt gets; no editor is left behind.
  void aLabelBeingTypedIsTakenBeforeTheCommand() {
    QFETCH(int, command);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
    ProgramFixture program;
    const QString a = labelledTable(program, QStringLiteral("a.q4t"), QStringLiteral("Kaffee groß"));
    QVERIFY(program.start({a}));
    QTableView& view = showLabelList(program);
    doubleClick(program, 7, KeyLabelsModel::LabelColumn);
    typeKeys(QStringLiteral("Espresso"));
    const QModelIndex cell = labels(program).index(labels(program).rowOf(7), KeyLabelsModel::LabelColumn);
    QVERIFY(view.indexWidget(cell));

    // Save As is given a name; the sheet dialog is cancelled; a save prompt is answered Yes.
    const QString copy = program.path(QStringLiteral("copy.q4t"));
    QPointer<QObject> dialogs = q4t::test::whenModal([copy](QWidget* dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(copy);
        static_cast<QDialog*>(files)->accept();  // as the Save button does
      } else {
        static_cast<QDialog*>(dialog)->reject();
      }
    });
    MessageBoxAnswerer saveChanges(QMessageBox::Yes);
    if (command) {
      QVERIFY(program.app().router().run(command));
    } else {
      program.app().mainFrame().close();
    }
    delete dialogs;
    if (command == cmd::kFilePrint || command == cmd::kFileExport) {
      QCOMPARE(labelAt(program, 7), QStringLiteral("Espresso"));
      QVERIFY(!view.indexWidget(cell));
      QVERIFY(program.document()->isModified());
    } else {
      QCOMPARE(savedLabel(command == cmd::kFileSaveAs ? copy : a, 7), QStringLiteral("Espresso"));
    }
    const bool closes = command == cmd::kFileClose || command == cmd::kExit || command == 0;
    QCOMPARE(saveChanges.texts(), closes ? QStringList{QStringLiteral("Save changes to a.q4t?")} : QStringList{});
  }
};

QTEST_MAIN(KeyLabelsWindowTest)
#include "KeyLabelsWindowTest.moc"
