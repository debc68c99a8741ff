// The two integer-reading rules of the key dialogs.
#include <QtTest>
#include <limits>

#include "editor/IntegerText.h"

namespace {
constexpr qint64 kNone = std::numeric_limits<qint64>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
}  // namespace

class IntegerTextTest : public QObject {
  Q_OBJECT
 private slots:
  void strictInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");  // kNone: not an integer
    QTest::newRow("zero") << "0" << qint64{0};
    QTest::newRow("signed zero") << "-0" << kNone;
    QTest::newRow("plus zero") << "+0" << kNone;
    QTest::newRow("blanks and tabs around") << " \t5\t " << qint64{5};
    QTest::newRow("minus") << "-12" << qint64{-12};
    QTest::newRow("leading zero") << "007" << qint64{7};
    QTest::newRow("empty") << "" << kNone;
    QTest::newRow("sign only") << "-" << kNone;
    QTest::newRow("sign apart") << "- 5" << kNone;
    QTest::newRow("trailing letter") << "5x" << kNone;
    QTest::newRow("line break is no blank") << "\n5" << kNone;
    QTest::newRow("other script digit") << QString(QChar(0x0663)) << kNone;
    QTest::newRow("largest") << "2147483647" << qint64{kMax};
    QTest::newRow("smallest") << "-2147483648" << qint64{kMin};
    QTest::newRow("one past largest") << "2147483648" << kNone;
    QTest::newRow("one past smallest") << "-2147483649" << kNone;
    QTest::newRow("far below smallest") << "-99999999999" << kNone;
    QTest::newRow("very long") << "99999999999999999999" << kNone;
    QTest::newRow("tail past 31 characters ignored") << "5" + QString(30, ' ') + "x" << qint64{5};
    QTest::newRow("digits past 31 characters ignored") << QString(31, ' ') + "5" << kNone;
  }
  void strictInteger() {
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    const std::optional<std::int32_t> number = q4t::strictInteger(text);
    if (expected == kNone) {
      QVERIFY2(!number, qPrintable(QString::number(number.value_or(0))));
    } else {
      QVERIFY(number);
      QCOMPARE(*number, expected);
    }
  }

  void leadingInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("digits then letters") << "12abc" << 12;
    QTest::newRow("letters only") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("white space and sign") << " \n\t-3x" << -3;
    QTest::newRow("stops at a blank") << " 1 2" << 1;
    QTest::newRow("too large saturates") << "99999999999" << kMax;
    QTest::newRow("never wraps to a counter") << "4294967302" << kMax;
  }
  void leadingInteger() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(q4t::leadingInteger(text), expected);
  }
};

QTEST_MAIN(IntegerTextTest)
#include "IntegerTextTest.moc"
