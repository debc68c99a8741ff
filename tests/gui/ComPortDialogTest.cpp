// The port dialog: its list, proposal, typing rules and results.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/CComPortDlg.h"

namespace {

// Opens the dialog modally and runs whileOpen on it once it shows.
int runDialog(q4t::CComPortDlg& dialog, const std::function<void(q4t::CComPortDlg&)>& whileOpen) {
  QTimer::singleShot(0, &dialog, [&dialog, whileOpen] {
    const bool shownModal = QApplication::activeModalWidget() == &dialog;
    whileOpen(dialog);
    if (dialog.isVisible()) dialog.reject();  // a failed check must not hang the test
    QVERIFY(shownModal);
  });
  return dialog.DoModal();
}

void typeInto(q4t::CComPortDlg& dialog, const QString& keys) {
  QLineEdit* field = dialog.portBox()->lineEdit();
  field->setFocus();
  field->clear();
  QTest::keyClicks(field, keys);
}

}  // namespace

class ComPortDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithAllPortsProposingCom1() {
    q4t::CComPortDlg dialog;
    runDialog(dialog, [](q4t::CComPortDlg& open) {
      open.portBox()->setCurrentIndex(4);
      open.connectButton()->click();
    });
    QCOMPARE(dialog.portName, QStringLiteral("COM5"));

    const int chosen = runDialog(dialog, [](q4t::CComPortDlg& open) {
      QComboBox* box = open.portBox();
      QCOMPARE(box->count(), 256);
      for (int row = 0; row < box->count(); ++row) {
        QCOMPARE(box->itemText(row), QStringLiteral("COM%1").arg(row + 1));
      }
      QCOMPARE(box->currentText(), QStringLiteral("COM1"));
      QVERIFY(open.focusWidget() == open.connectButton());
      QVERIFY(open.connectButton()->isDefault());
      open.connectButton()->click();
    });
    QCOMPARE(chosen, q4t::CComPortDlg::kConfirmed);
    QCOMPARE(dialog.portName, QStringLiteral("COM1"));
    const QLabel* label = dialog.findChild<QLabel*>();
    QCOMPARE(label->text(), QStringLiteral("COM Port:"));
    QCOMPARE(dialog.portBox()->accessibleName(), label->text());
  }

  void typedLettersBecomeUpperCaseAndStopAtTheFieldsWidth() {
    q4t::CComPortDlg dialog;
    const int chosen = runDialog(dialog, [](q4t::CComPortDlg& open) {
      typeInto(open, QStringLiteral("com7"));
      QCOMPARE(open.portBox()->currentText(), QStringLiteral("COM7"));
      QTest::keyClick(open.portBox()->lineEdit(), Qt::Key_Return);
    });
    QCOMPARE(chosen, q4t::CComPortDlg::kConfirmed);
    QCOMPARE(dialog.portName, QStringLiteral("COM7"));
    QCOMPARE(dialog.portBox()->count(), 256);  // Enter added no entry

    runDialog(dialog, [](q4t::CComPortDlg& open) {
      const QString tooLong(60, QLatin1Char('w'));
      typeInto(open, tooLong);
      const QLineEdit* field = open.portBox()->lineEdit();
      QVERIFY(!field->text().isEmpty() && field->text().size() < tooLong.size());
      QVERIFY(field->fontMetrics().horizontalAdvance(field->text()) < field->width());
      open.connectButton()->click();
    });
    QVERIFY(dialog.portName.startsWith(QStringLiteral("WWW")));
  }

  void emptyConfirmationAndCancelling() {
    q4t::CComPortDlg dialog;
    int chosen = runDialog(dialog, [](q4t::CComPortDlg& open) {
      typeInto(open, QString());
      open.connectButton()->click();
    });
    QCOMPARE(chosen, q4t::CComPortDlg::kConfirmed);
    QCOMPARE(dialog.portName, QString());

    // Cancelling takes nothing from the field: portName stays the proposal.
    chosen = runDialog(dialog, [](q4t::CComPortDlg& open) {
      typeInto(open, QStringLiteral("COM9"));
      QTest::keyClick(&open, Qt::Key_Escape);
    });
    QCOMPARE(chosen, q4t::CComPortDlg::kCancelled);
    QCOMPARE(dialog.portName, QStringLiteral("COM1"));
  }
};

QTEST_MAIN(ComPortDialogTest)
#include "ComPortDialogTest.moc"
