// The legend inserts as laid out before painting: where the boxes go (apart
// for their cut marks, off the footer, as on the keyboard when asked), and
// how their legends are set (one size for all, wrapped at word boundaries,
// those that do not fit listed).
#include <QTest>
#include <map>

#include "model/KeyTableFile.h"
#include "model/KeyboardGrid.h"
#include "print/InsertLegends.h"
#include "print/LegendSheet.h"
#include "support/GuiTestSupport.h"

using q4t::InsertLegend;
using q4t::InsertLegends;
using q4t::KeyPosition;
using q4t::KeyTable;
using q4t::LegendBox;
using q4t::SheetKind;
using q4t::SheetOptions;

namespace {

const QSizeF kA4AreaMm(190, 277);  // A4 portrait less 10 mm margins
constexpr double kMarkReachMm = 2.5;  // how far a cut mark runs out from its box
const QString kLongWord = QStringLiteral("Donaudampfschifffahrtsgesellschaft");

// The default table with merges of every shape and short, long and too long labels.
KeyTable labelledTable() {
  KeyTable table;
  q4t::readKeyTable((q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table);
  table.mergeRight(0);
  table.mergeQuadruple(40);
  table.mergeDown(20);
  table.counterOn(40, KeyPosition::BottomRight, 12);
  const std::map<int, QString> labels = {{3, QStringLiteral("Tee")},
                                         {4, QStringLiteral("Orangensaft")},
                                         {5, QStringLiteral("Heisse Schokolade")},
                                         {7, QStringLiteral("Kaffee")},
                                         {8, QStringLiteral("Tee Rum")},  // two lines: too tall at 16 pt
                                         {6, kLongWord},
                                         {40, QStringLiteral("Kaffee mit Milch und Zucker")}};
  for (const auto& [key, label] : labels) table.setLabel(key, label.toStdString());
  return table;
}

QString describe(const LegendBox& box) {
  return QStringLiteral("key %1 page %2 at %3,%4 size %5x%6")
      .arg(box.key)
      .arg(box.page)
      .arg(box.rectMm.x())
      .arg(box.rectMm.y())
      .arg(box.rectMm.width())
      .arg(box.rectMm.height());
}

// How far apart two boxes are: along the axis where they do not overlap.
double apartMm(const QRectF& a, const QRectF& b) {
  return std::max({b.left() - a.right(), a.left() - b.right(), b.top() - a.bottom(), a.top() - b.bottom()});
}

const InsertLegend& legendOf(const InsertLegends& legends, int key) {
  for (const InsertLegend& legend : legends.legends())
    if (legend.key.key == key) return legend;
  qFatal("no legend for key %d", key);
}

}  // namespace

class InsertLegendsTest : public QObject {
  Q_OBJECT

 private slots:
  void insertsStayApartAndOnTheirPage_data() {
    QTest::addColumn<double>("cap");
    QTest::addColumn<double>("gap");
    QTest::addColumn<bool>("asKeyboard");
    for (const bool asKeyboard : {false, true}) {
      const char* arrangement = asKeyboard ? "as keyboard" : "in rows";
      QTest::addRow("%s 14/5", arrangement) << 14.0 << 5.0 << asKeyboard;
      QTest::addRow("%s 5/0", arrangement) << 5.0 << 0.0 << asKeyboard;
      QTest::addRow("%s 20/2.5", arrangement) << 20.0 << 2.5 << asKeyboard;
      // In rows, a tenth row would end where the footer stands.
      QTest::addRow("%s 21.5/5", arrangement) << 21.5 << 5.0 << asKeyboard;
      QTest::addRow("%s 60/30", arrangement) << 60.0 << 30.0 << asKeyboard;
    }
  }

  // Every shown key once at its size; cut marks neither meet those of the
  // next box nor leave the page or run into the footer.
  void insertsStayApartAndOnTheirPage() {
    QFETCH(double, cap);
    QFETCH(double, gap);
    QFETCH(bool, asKeyboard);
    KeyTable table = labelledTable();
    table.mergeRight(82);  // across the keyboard's middle, where a page would cut it
    const q4t::SheetSource source{table, QStringLiteral("t.q4t"), QDate(2026, 12, 7)};
    const SheetOptions options{SheetKind::Legends, cap, gap, true, asKeyboard};
    const q4t::LegendSheet sheet(source, options, kA4AreaMm);
    const std::vector<q4t::ShownKey> shown = q4t::shownKeys(table);
    const std::vector<LegendBox>& boxes = sheet.boxes();
    QCOMPARE(boxes.size(), shown.size());
    int lastPage = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const LegendBox& box = boxes[i];
      QCOMPARE(box.key, shown[i].key);
      QCOMPARE(box.rectMm.size(), q4t::insertSizeOf(shown[i], options));
      const QRectF reach = box.rectMm.adjusted(-kMarkReachMm, -kMarkReachMm, kMarkReachMm, kMarkReachMm);
      QVERIFY2(reach.left() >= 0 && reach.top() >= 0 && reach.right() <= kA4AreaMm.width(), qPrintable(describe(box)));
      QVERIFY2(reach.bottom() <= kA4AreaMm.height() - q4t::LegendSheet::kFooterMm, qPrintable(describe(box)));
      for (std::size_t j = 0; j < i; ++j)
        if (boxes[j].page == box.page)
          QVERIFY2(apartMm(boxes[j].rectMm, box.rectMm) >= 2 * kMarkReachMm,
                   qPrintable(describe(boxes[j]) + " / " + describe(box)));
      lastPage = std::max(lastPage, box.page);
    }
    QCOMPARE(sheet.pageCount(), lastPage + 1);
    if (cap == 60) QVERIFY(sheet.pageCount() >= 4);
  }

  // Keys of one keyboard row share a line, keys of one column a place across,
  // in the keyboard's order; a keyboard wider than the page is cut into a
  // left piece above a right one, between keys, never through a merged one.
  void keyboardArrangementKeepsRowsAndColumns() {
    const KeyTable table = labelledTable();
    const q4t::SheetSource source{table, QStringLiteral("t.q4t"), QDate(2026, 12, 7)};
    const q4t::LegendSheet sheet(source, {SheetKind::Legends, 14, 5, true, true}, kA4AreaMm);
    QCOMPARE(sheet.pageCount(), 1);
    const std::vector<LegendBox>& boxes = sheet.boxes();
    const auto leftPiece = [](const LegendBox& box) { return q4t::gridCellOf(box.key).column < 9; };
    for (const LegendBox& a : boxes)
      for (const LegendBox& b : boxes) {
        const q4t::GridCell ca = q4t::gridCellOf(a.key), cb = q4t::gridCellOf(b.key);
        const QString pair = describe(a) + " / " + describe(b);
        if (leftPiece(a) && !leftPiece(b)) QVERIFY2(a.rectMm.bottom() < b.rectMm.top(), qPrintable(pair));
        if (leftPiece(a) != leftPiece(b)) continue;
        if (ca.row == cb.row) QVERIFY2(qFuzzyCompare(a.rectMm.top(), b.rectMm.top()), qPrintable(pair));
        if (ca.column == cb.column) QVERIFY2(qFuzzyCompare(a.rectMm.left(), b.rectMm.left()), qPrintable(pair));
        if (ca.row == cb.row && ca.column < cb.column) QVERIFY2(a.rectMm.right() < b.rectMm.left(), qPrintable(pair));
        if (ca.row > cb.row) QVERIFY2(a.rectMm.top() < b.rectMm.top(), qPrintable(pair));
      }
  }

  // One size: every legend that fits at all at the same size, the largest
  // at which all of them fit; each on its own: short labels larger. Either
  // way lines break between words, and only the legend that fits at no size
  // is listed (and shown broken inside its word, within its box).
  void legendsShareTheLargestSizeThatFitsThemAll() {
    const KeyTable table = labelledTable();
    for (const bool oneSize : {true, false}) {
      const SheetOptions options{SheetKind::Legends, 14, 5, oneSize, false};
      const InsertLegends legends(table, options);
      QCOMPARE(legends.notFitting(), QStringList{QStringLiteral("key 6: ") + kLongWord});
      double common = 0;
      bool largest = false;
      for (const InsertLegend& legend : legends.legends()) {
        const QSizeF room = q4t::legendRectIn(QRectF(QPointF(), q4t::insertSizeOf(legend.key, options))).size();
        QVERIFY(legend.set.lines.size() * legend.set.lineMm <= room.height());
        if (!legend.set.whole) {
          QCOMPARE(legend.set.pointSize, InsertLegends::kSmallestPt);
          QCOMPARE(legend.set.lines.join(QString()), kLongWord);
          continue;
        }
        QCOMPARE(legend.set.lines.join(QLatin1Char(' ')), legend.text);
        for (const QString& line : legend.set.lines)
          for (const QString& word : line.split(QLatin1Char(' ')))
            QVERIFY2(legend.text.split(QLatin1Char(' ')).contains(word), qPrintable(legend.text + ": " + line));
        if (common == 0) common = legend.set.pointSize;
        if (oneSize) QCOMPARE(legend.set.pointSize, common);
        largest |= !q4t::setAtSize(legend.text, room, legend.set.pointSize + 0.5);
      }
      QVERIFY2(largest, "a larger size fits every legend");
      const double tee = legendOf(legends, 3).set.pointSize, juice = legendOf(legends, 4).set.pointSize;
      QVERIFY(oneSize ? tee == juice : tee > juice + 4);
      QCOMPARE(legendOf(legends, 5).set.lines, (QStringList{QStringLiteral("Heisse"), QStringLiteral("Schokolade")}));
    }
    // Caps wide enough for the long word list nothing; on the smallest caps
    // a legend shown only in part ends in an ellipsis.
    QCOMPARE(InsertLegends(table, {SheetKind::Legends, 40, 5}).notFitting(), QStringList{});
    const InsertLegends smallest(table, {SheetKind::Legends, 5, 0});
    for (const InsertLegend& legend : smallest.legends())
      QVERIFY2(legend.set.whole || legend.set.lines.join(QString()) == legend.text ||
                   legend.set.lines.last().endsWith(QChar(0x2026)),
               qPrintable(legend.text + ": " + legend.set.lines.join('|')));
  }
};

QTEST_MAIN(InsertLegendsTest)
#include "InsertLegendsTest.moc"
