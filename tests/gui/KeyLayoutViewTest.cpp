// The key layout view in the running program: key geometry, owner drawing,
// styles, the key menu and the key commands with their dialogs.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyContextMenu.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"

using q4t::KeyPosition;
using q4t::KeyTable;
using q4t::test::ProgramFixture;
namespace cmd = q4t::cmd;

namespace {

const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

q4t::KeyButton* key(ProgramFixture& program, int k) { return program.form()->layout().button(k); }

// The stripe's last column, the first column after it, and a column near the
// right edge of the face, all in the button's upper part, clear of the caption.
struct Face {
  QColor stripe, afterStripe, right;
};
Face faceOf(q4t::KeyButton* button) {
  const QImage image = button->grab().toImage();
  const int y = 6;
  return {image.pixelColor(3 + 4, y), image.pixelColor(3 + 5, y), image.pixelColor(button->width() - 6, y)};
}

// The same three pixels as the screen shows them: the window's last painting,
// not a fresh one.
Face shownFaceOf(q4t::KeyButton* button) {
  QWidget* window = button->window();
  const QPoint at = button->mapTo(window, QPoint(0, 0));
  const QImage image =
      window->screen()->grabWindow(window->winId(), at.x(), at.y(), button->width(), button->height()).toImage();
  const int y = 6;
  return {image.pixelColor(3 + 4, y), image.pixelColor(3 + 5, y), image.pixelColor(button->width() - 6, y)};
}

QString menuState(ProgramFixture& program) {
  QString state;
  for (int id : {cmd::kTcoCounterOn, cmd::kTcoCounterOff, cmd::kSingleKey, cmd::kDoubleKeyRight,
                 cmd::kDoubleKeyDown, cmd::kQuadrupleKey}) {
    const QAction* item = program.form()->contextMenu().item(id);
    state += item->isChecked() ? QLatin1Char('x') : item->isEnabled() ? QLatin1Char('.') : QLatin1Char('-');
  }
  return state;
}

void editValue(ProgramFixture& program, int k, const QString& text) { q4t::test::editKeyValue(*program.form(), k, text); }

}  // namespace

class KeyLayoutViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }

  void loadedShapesAreLaidOutFromDialogUnits() {
    ProgramFixture program;
    const QString merged = program.writeTable(QStringLiteral("merged.q4t"), [](KeyTable& t) {
      t.mergeRight(0);
      t.takeKeyboardValue(1, 55);  // the file's own value for the covered key
      t.mergeQuadruple(20);        // covers 21, 2 and 3
      t.mergeDown(30);             // covers 12
    });
    QVERIFY(program.start({merged}));
    for (int column = 0; column < 18; ++column) {
      QCOMPARE(program.form()->layout().homeRect(column).left(), 3 + 33 * column);
      QCOMPARE(program.form()->layout().homeRect(column).top(), 153);
    }
    QCOMPARE(program.form()->layout().homeRect(0), QRect(3, 153, 33, 29));
    // Row tops 94, 76, 58, 41, 24 and 7 dialog units: rows 1 to 3 touch, the
    // upper three overlap the row below by one unit; rows 5 and 6 start at column 8.
    const int rowTops[] = {153, 124, 94, 67, 39, 11};
    const int firstKeys[] = {0, 18, 36, 54, 72, 82};
    for (int row = 0; row < 6; ++row) {
      const QRect home = program.form()->layout().homeRect(firstKeys[row]);
      QCOMPARE(home.top(), rowTops[row]);
      QCOMPARE(home.left(), row < 4 ? 3 : 3 + 33 * 8);
    }

    const auto checkShapes = [&] {
      QCOMPARE(key(program, 0)->geometry(), QRect(3, 153, 66, 29));
      QCOMPARE(key(program, 0)->text(), QStringLiteral("1"));
      QCOMPARE(program.form()->table().entry(1).value, 1);
      const QRect home20 = program.form()->layout().homeRect(20);
      QCOMPARE(key(program, 20)->geometry(), QRect(home20.topLeft(), QSize(66, 2 * home20.height())));
      const QRect home30 = program.form()->layout().homeRect(30);
      QCOMPARE(key(program, 30)->geometry(), QRect(home30.topLeft(), QSize(33, 2 * home30.height())));
      for (int covered : {1, 21, 2, 3, 12}) QVERIFY2(key(program, covered)->isHidden(), qPrintable(QString::number(covered)));
      QVERIFY(key(program, 4)->isVisible());
    };
    checkShapes();
    // The link re-applies the shapes after an upload, over whatever stood there.
    key(program, 1)->show();
    key(program, 0)->setGeometry(program.form()->layout().homeRect(0));
    program.form()->RelayoutKeys();
    checkShapes();
    QVERIFY(!program.document()->isModified());
  }

  void ownerDrawnFacesAndStylesFollowCountersAndChanges() {
    ProgramFixture program;
    const QString counters = program.writeTable(QStringLiteral("counters.q4t"), [](KeyTable& t) {
      t.counterOn(5, KeyPosition::TopLeft, 6);
      t.mergeRight(0);
      t.counterOn(0, KeyPosition::TopRight, 7);  // on the covered position
    });
    QVERIFY(program.start({counters}));
    for (int k : {0, 5}) {
      QVERIFY(key(program, k)->isOwnerDrawn());
      const Face face = faceOf(key(program, k));
      QCOMPARE(face.stripe, kYellow);
      QVERIFY(face.afterStripe != kYellow && face.afterStripe != kRed);
      QVERIFY(face.right != kRed);
    }
    QVERIFY(!key(program, 2)->isOwnerDrawn());

    editValue(program, 5, QStringLiteral("40"));
    editValue(program, 2, QStringLiteral("41"));
    QCOMPARE(key(program, 5)->text(), QStringLiteral("40"));
    QVERIFY(program.document()->isModified());
    program.form()->activated();  // activating again keeps the marks
    program.form()->RefreshKeyStyles();
    Face face = faceOf(key(program, 5));
    QCOMPARE(face.stripe, kYellow);
    QCOMPARE(face.afterStripe, kRed);
    QCOMPARE(face.right, kRed);
    face = faceOf(key(program, 2));
    QCOMPARE(face.stripe, kRed);
    QCOMPARE(face.right, kRed);
  }

  void keyMenuStatesAndShapeCommands() {
    ProgramFixture program;
    QVERIFY(program.start());
    // Order: TCO on, TCO off, single, right, down, quadruple; x checked, - greyed.
    q4t::test::chooseFromKeyMenu(*program.form(), 0, 0);
    QCOMPARE(menuState(program), QStringLiteral(".xx.--"));
    q4t::test::chooseFromKeyMenu(*program.form(), 91, 0);
    QCOMPARE(menuState(program), QStringLiteral(".xx-.-"));

    q4t::test::chooseFromKeyMenu(*program.form(), 20, cmd::kQuadrupleKey);
    QVERIFY(program.document()->isModified());
    const QRect home20 = program.form()->layout().homeRect(20);
    QCOMPARE(key(program, 20)->size(), QSize(66, 2 * home20.height()));
    for (int covered : {21, 2, 3}) QVERIFY(key(program, covered)->isHidden());
    QCOMPARE(program.form()->table().entry(3).value, 21);
    q4t::test::chooseFromKeyMenu(*program.form(), 20, 0);
    QCOMPARE(menuState(program), QStringLiteral(".x.--x"));

    q4t::test::chooseFromKeyMenu(*program.form(), 20, cmd::kSingleKey);
    QCOMPARE(key(program, 20)->geometry(), home20);
    for (int released : {21, 2, 3}) {
      QVERIFY(key(program, released)->isVisible());
      QCOMPARE(key(program, released)->geometry(), program.form()->layout().homeRect(released));
      QCOMPARE(key(program, released)->text(), QStringLiteral("21"));
    }
  }

  // Only an edit that happened marks the layout modified.
  void refusedMergeAndCancelLeaveTheLayoutUnmodifiedCounterOffMarksIt() {
    ProgramFixture program;
    const QString path = program.writeTable(QStringLiteral("refused.q4t"), [](KeyTable& t) {
      t.counterOn(20, KeyPosition::TopLeft, 6);
      t.mergeRight(21);  // so 20 cannot merge with it
    });
    QVERIFY(program.start({path}));
    const QRect wide21 = key(program, 21)->geometry();

    q4t::test::chooseFromKeyMenu(*program.form(), 20, cmd::kDoubleKeyRight);
    QVERIFY(!program.document()->isModified());
    QCOMPARE(program.form()->table().entry(20).counter, 6);
    QVERIFY(key(program, 20)->isOwnerDrawn());
    QCOMPARE(faceOf(key(program, 20)).stripe, kYellow);
    QCOMPARE(key(program, 21)->geometry(), wide21);
    QVERIFY(key(program, 22)->isHidden());
    QCOMPARE(menuState(program).left(2), QStringLiteral("x."));

    q4t::test::whenModal([](QWidget* dialog) {
      dialog->findChild<QComboBox*>()->setEditText(QStringLiteral("9"));
      dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
    });
    q4t::test::chooseFromKeyMenu(*program.form(), 5, cmd::kTcoCounterOn);
    QVERIFY(!program.document()->isModified());
    QVERIFY(!program.form()->table().isCounterOn(5));
    QCOMPARE(program.form()->table().countersInUse(), 1);

    q4t::test::chooseFromKeyMenu(*program.form(), 20, cmd::kTcoCounterOff);
    QVERIFY(program.document()->isModified());
    QCOMPARE(program.form()->table().countersInUse(), 0);
    QVERIFY(!key(program, 20)->isOwnerDrawn());
  }

  void valueOfADoubleDownKeyIsPaintedAndSavedForBothPositions() {
    ProgramFixture program;
    const QString path = program.writeTable(QStringLiteral("down.q4t"), [](KeyTable& t) { t.mergeDown(30); });
    QVERIFY(program.start({path}));
    editValue(program, 30, QStringLiteral("66"));
    QCOMPARE(key(program, 30)->text(), QStringLiteral("66"));
    QCOMPARE(faceOf(key(program, 30)).right, kRed);
    QVERIFY(program.app().router().run(cmd::kFileSave));
    QVERIFY(!program.document()->isModified());
    KeyTable saved;
    QVERIFY(q4t::readKeyTable(path.toStdString(), saved));
    QCOMPARE(saved.entry(30).value, 66);
    QCOMPARE(saved.entry(12).value, 66);
  }

  // OK in the counter dialog shows the stripe at once, also on a face that is
  // drawn already (a changed value) and on a merged key.
  void theCounterStripeShowsAtOnceAfterOk() {
    ProgramFixture program;
    const QString path = program.writeTable(QStringLiteral("stripes.q4t"), [](KeyTable& t) { t.mergeRight(40); });
    QVERIFY(program.start({path}));
    QVERIFY(QTest::qWaitForWindowExposed(&program.app().mainFrame()));
    for (const auto& [k, counter] : {std::pair(5, 9), std::pair(40, 10)}) {
      editValue(program, k, QStringLiteral("77"));
      QTRY_COMPARE(shownFaceOf(key(program, k)).stripe, kRed);
      q4t::test::whenModal([counter](QWidget* dialog) {
        dialog->findChild<QAbstractButton*>(QStringLiteral("1022"))->click();  // top left
        dialog->findChild<QComboBox*>()->setEditText(QString::number(counter));
        dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
      });
      q4t::test::chooseFromKeyMenu(*program.form(), k, cmd::kTcoCounterOn);
      QCOMPARE(program.form()->table().entry(k).counter, counter);
      QTest::qWait(50);  // time for a pending repaint; no pointer passes
      const Face shown = shownFaceOf(key(program, k));
      QCOMPARE(shown.stripe, kYellow);
      QCOMPARE(shown.afterStripe, kRed);
      QCOMPARE(shown.right, kRed);
    }
  }

  void tcoCounterOnAndOffAndAllCountersInUse() {
    ProgramFixture program;
    const QString full = program.writeTable(QStringLiteral("full.q4t"), [](KeyTable& t) {
      for (int c = 6; c <= 29; ++c) t.counterOn(34 + c, KeyPosition::TopLeft, c);
    });
    QVERIFY(program.start());
    q4t::test::whenModal([](QWidget* dialog) {
      dialog->findChild<QComboBox*>()->setEditText(QStringLiteral("9"));
      dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    q4t::test::chooseFromKeyMenu(*program.form(), 2, cmd::kTcoCounterOn);
    QCOMPARE(program.form()->table().entry(2).counter, 9);
    QCOMPARE(faceOf(key(program, 2)).stripe, kYellow);
    q4t::test::chooseFromKeyMenu(*program.form(), 2, 0);
    QCOMPARE(menuState(program).left(2), QStringLiteral("x."));
    q4t::test::chooseFromKeyMenu(*program.form(), 2, cmd::kTcoCounterOff);
    QVERIFY(!program.form()->table().isCounterOn(2));
    QVERIFY(!key(program, 2)->isOwnerDrawn());
    QCOMPARE(menuState(program).left(2), QStringLiteral(".x"));

    program.document()->setModified(false);
    QVERIFY(program.app().openDocumentFile(full));
    QCOMPARE(program.form()->table().countersInUse(), 24);
    QStringList dialogsSeen;
    QPointer<QObject> guard = q4t::test::whenModal([&dialogsSeen](QWidget* dialog) {
      dialogsSeen << dialog->metaObject()->className();
      dialog->close();
    });
    {
      q4t::test::MessageBoxAnswerer answerer;
      q4t::test::chooseFromKeyMenu(*program.form(), 0, cmd::kTcoCounterOn);
      QCOMPARE(answerer.texts(), QStringList{QStringLiteral("All TCO counters in use.\nPlease switch off an other counter")});
      QCOMPARE(answerer.icons().value(0), QMessageBox::Information);
    }
    QVERIFY(program.form()->table().entry(0).counter == q4t::kCounterOff);
    QVERIFY(dialogsSeen.isEmpty());
    delete guard;
    q4t::test::chooseFromKeyMenu(*program.form(), 40, cmd::kTcoCounterOff);
    q4t::test::whenModal([&dialogsSeen](QWidget* dialog) {
      dialogsSeen << dialog->findChild<QComboBox*>()->itemText(0);
      dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
    });
    q4t::test::chooseFromKeyMenu(*program.form(), 0, cmd::kTcoCounterOn);
    QCOMPARE(dialogsSeen, QStringList{QStringLiteral("6")});
  }
};

QTEST_MAIN(KeyLayoutViewTest)
#include "KeyLayoutViewTest.moc"
