// The key value and TCO counter dialogs driven as a user drives them.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "editor/CChangeKeyValueDlg.h"
#include "editor/CTCOCounterDlg.h"
#include "support/GuiTestSupport.h"

using q4t::CChangeKeyValueDlg;
using q4t::CTCOCounterDlg;
using q4t::test::MessageBoxAnswerer;

namespace {

const QString kIntegerMessage = QStringLiteral("Please enter an integer.");
const QString kValueRangeMessage = QStringLiteral("Please enter an integer between 0 and 92.");
const QString kRangeMessage = QStringLiteral("No valid TCO counter.\nMust be in the range 6 ... 29");
const QColor kRed(255, 0, 0);

// Runs the dialog modally while `script` drives it from inside its event
// loop; a dialog the script leaves open is cancelled.
template <class Dialog>
int runWith(Dialog& dialog, const std::function<void()>& script) {
  QTimer::singleShot(0, &dialog, [&] {
    script();
    if (dialog.isVisible()) dialog.reject();
  });
  return dialog.DoModal();
}

template <class Widget>
Widget* control(QWidget& dialog, const char* id) {
  auto* widget = dialog.findChild<Widget*>(QLatin1String(id));
  if (!widget) qFatal("no control %s", id);
  return widget;
}

void pressOk(QWidget& dialog) { control<QPushButton>(dialog, "1")->click(); }

bool isRed(QPushButton* button) {
  const QImage image = button->grab().toImage();
  return image.pixelColor(image.rect().center()) == kRed && image.pixelColor(2, 2) == kRed &&
         image.pixelColor(0, 0) != kRed;
}

}  // namespace

class KeyDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void valueDialogOpensWithTheKeyAndZero() {
    CChangeKeyValueDlg dialog;
    dialog.actuationPoint = 45;
    dialog.oldValue = 17;
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Key Value"));
    const int result = runWith(dialog, [&] {
      auto* newValue = control<QLineEdit>(dialog, "1004");
      QCOMPARE(newValue->text(), QStringLiteral("0"));
      QCOMPARE(control<QLineEdit>(dialog, "1003")->text(), QStringLiteral("45"));
      QCOMPARE(control<QLineEdit>(dialog, "1011")->text(), QStringLiteral("17"));
      QCOMPARE(dialog.focusWidget(), newValue);
      QVERIFY(!(control<QLineEdit>(dialog, "1003")->focusPolicy() & Qt::TabFocus));
      QCOMPARE(newValue->accessibleName(), QStringLiteral("new Value:"));
      QCOMPARE(dialog.DoModal(), -1);  // already open
      pressOk(dialog);
    });
    QCOMPARE(result, 1);
    QCOMPARE(dialog.newValue, 0);
    QCOMPARE(dialog.actuationPoint, 45);
    QCOMPARE(dialog.oldValue, 17);
  }

  void valueDialogChecksTheNewValue_data() {
    QTest::addColumn<QString>("entry");  // put in as pasted, past the digit filter
    QTest::addColumn<QString>("message");  // empty when accepted
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("accepted");
    QTest::newRow("largest") << "92" << QString() << 0 << 92;
    QTest::newRow("blanks around") << " 5 " << QString() << 0 << 5;
    QTest::newRow("one too large") << "93" << kValueRangeMessage << int(QMessageBox::Warning) << 0;
    QTest::newRow("negative") << "-1" << kValueRangeMessage << int(QMessageBox::Warning) << 0;
    QTest::newRow("empty") << "" << kIntegerMessage << int(QMessageBox::NoIcon) << 0;
    QTest::newRow("letters") << "7a" << kIntegerMessage << int(QMessageBox::NoIcon) << 0;
    QTest::newRow("beyond 32 bits") << "4294967298" << kIntegerMessage << int(QMessageBox::NoIcon) << 0;
  }
  void valueDialogChecksTheNewValue() {
    QFETCH(QString, entry);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(int, accepted);
    MessageBoxAnswerer answerer;
    CChangeKeyValueDlg dialog;
    const int result = runWith(dialog, [&] {
      auto* newValue = control<QLineEdit>(dialog, "1004");
      newValue->setText(entry);
      pressOk(dialog);
      if (message.isEmpty()) return;
      QVERIFY(dialog.isVisible());
      QCOMPARE(dialog.focusWidget(), newValue);
      QCOMPARE(newValue->selectedText(), entry);
      newValue->setText(QStringLiteral("12"));
      pressOk(dialog);
    });
    QCOMPARE(result, 1);
    QCOMPARE(dialog.newValue, message.isEmpty() ? accepted : 12);
    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) QCOMPARE(int(answerer.icons().value(0)), icon);
  }

  void valueDialogStopsAtTheFirstFailingField() {
    MessageBoxAnswerer answerer;
    CChangeKeyValueDlg dialog;
    dialog.actuationPoint = 92;
    const int result = runWith(dialog, [&] {
      auto* newValue = control<QLineEdit>(dialog, "1004");
      newValue->setText(QStringLiteral("93"));
      pressOk(dialog);
      newValue->setText(QStringLiteral("8"));
      pressOk(dialog);
      auto* actuationPoint = control<QLineEdit>(dialog, "1003");
      QCOMPARE(dialog.focusWidget(), actuationPoint);
      QCOMPARE(actuationPoint->selectedText(), QStringLiteral("92"));
      control<QPushButton>(dialog, "2")->click();
    });
    QCOMPARE(result, 2);
    QCOMPARE(answerer.texts(),
             (QStringList{kValueRangeMessage, QStringLiteral("Please enter an integer between 0 and 91.")}));
    QCOMPARE(dialog.newValue, 0);  // nothing half read from a refused entry
  }

  void valueFieldTakesOnlyDigitsThatFit() {
    CChangeKeyValueDlg dialog;
    QString typed;
    const int result = runWith(dialog, [&] {
      auto* newValue = control<QLineEdit>(dialog, "1004");
      QTest::keyClicks(newValue, QStringLiteral("4a-2 "));
      typed = newValue->text();
      QTest::keyClicks(newValue, QString(40, '9'));
      QVERIFY(newValue->text().size() < 40);
      QVERIFY(newValue->fontMetrics().horizontalAdvance(newValue->text()) < newValue->width());
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(typed, QStringLiteral("42"));
    QCOMPARE(result, 2);
  }

  void pointButtonsFollowTheShape_data() {
    QTest::addColumn<int>("shape");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("selected");
    QTest::newRow("single") << 1 << QStringList{"1022"} << 1;
    QTest::newRow("double right") << 2 << QStringList{"1022", "1023"} << 0;
    QTest::newRow("double down") << 4 << QStringList{"1022", "1024"} << 0;
    QTest::newRow("quadruple") << 14 << QStringList{"1022", "1023", "1024", "1025"} << 0;
    QTest::newRow("unknown") << -1 << QStringList{} << 0;
  }
  void pointButtonsFollowTheShape() {
    QFETCH(int, shape);
    QFETCH(QStringList, shown);
    QFETCH(int, selected);
    CTCOCounterDlg dialog;
    dialog.keyShape = std::uint16_t(shape);
    dialog.selectedPoint = 8;
    runWith(dialog, [&] {
      QCOMPARE(dialog.focusWidget(), control<QPushButton>(dialog, "1"));
      for (const char* id : {"1022", "1023", "1024", "1025"}) {
        auto* button = control<QPushButton>(dialog, id);
        QCOMPARE(button->isVisible(), shown.contains(QLatin1String(id)));
        if (button->isVisible()) QCOMPARE(isRed(button), selected == 1);
      }
    });
    QCOMPARE(int(dialog.selectedPoint), selected);
  }

  void onlyTheLastClickedPointIsRed() {
    CTCOCounterDlg dialog;
    dialog.keyShape = 14;
    const int result = runWith(dialog, [&] {
      control<QPushButton>(dialog, "1023")->click();
      control<QPushButton>(dialog, "1024")->click();
      control<QPushButton>(dialog, "1024")->click();
      QVERIFY(!isRed(control<QPushButton>(dialog, "1023")));
      QVERIFY(isRed(control<QPushButton>(dialog, "1024")));
      QVERIFY(!isRed(control<QPushButton>(dialog, "1022")));
      control<QComboBox>(dialog, "1027")->setCurrentIndex(2);
      pressOk(dialog);
    });
    QCOMPARE(result, 1);
    QCOMPARE(int(dialog.selectedPoint), 4);
    QCOMPARE(dialog.counterNumber(), 8);
  }

  void counterListHoldsTheFreeCounters() {
    CTCOCounterDlg dialog;
    dialog.counterOwners[0] = 3;   // counter 6
    dialog.counterOwners[1] = 91;  // counter 7
    dialog.counterOwners[5] = 92;  // counter 11: not above 92, so taken
    dialog.counterText = QStringLiteral("144");
    QStringList listed;
    QString shownText;
    QStringList firstDown;  // nothing is picked, so Down picks the first free counter
    const auto look = [&] {
      auto* box = control<QComboBox>(dialog, "1027");
      listed.clear();
      for (int i = 0; i < box->count(); ++i) listed << box->itemText(i);
      shownText = box->currentText();
      QTest::keyClick(box, Qt::Key_Down);
      firstDown << box->currentText();
    };
    runWith(dialog, look);
    runWith(dialog, look);  // what the first run picked does not stand
    QCOMPARE(firstDown, (QStringList{QStringLiteral("8"), QStringLiteral("8")}));
    QStringList expected;
    for (int number = 8; number <= 29; ++number) {
      if (number != 11) expected << QString::number(number);
    }
    QCOMPARE(listed, expected);
    QCOMPARE(shownText, QString());
  }

  void counterDialogChecksInOrder_data() {
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");  // empty when accepted
    QTest::addColumn<int>("counter");
    QTest::newRow("no point, no counter") << 2 << "" << "Select actuation point" << 0;
    QTest::newRow("no point") << 2 << "8" << "Select actuation point" << 0;
    QTest::newRow("no counter") << 1 << "" << "Select TCO counter" << 0;
    QTest::newRow("below range") << 1 << "5" << kRangeMessage << 0;
    QTest::newRow("above range") << 1 << "30" << kRangeMessage << 0;
    QTest::newRow("letters only") << 1 << "abc" << kRangeMessage << 0;
    QTest::newRow("largest") << 1 << "29" << QString() << 29;
    QTest::newRow("digits then letters") << 1 << "12abc" << QString() << 12;
    QTest::newRow("taken counter typed") << 1 << "6" << QString() << 6;
  }
  void counterDialogChecksInOrder() {
    QFETCH(int, shape);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, counter);
    MessageBoxAnswerer answerer;
    CTCOCounterDlg dialog;
    dialog.keyShape = std::uint16_t(shape);
    dialog.counterOwners[0] = 3;
    const int result = runWith(dialog, [&] {
      QTest::keyClicks(control<QComboBox>(dialog, "1027"), typed);
      pressOk(dialog);
    });
    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(answerer.icons().count(QMessageBox::Information) == answerer.icons().size());
    QCOMPARE(result, message.isEmpty() ? 1 : 2);
    if (message.isEmpty()) {
      QCOMPARE(dialog.counterText, typed);
      QCOMPARE(dialog.counterNumber(), counter);
    }
  }
};

QTEST_MAIN(KeyDialogsTest)
#include "KeyDialogsTest.moc"
