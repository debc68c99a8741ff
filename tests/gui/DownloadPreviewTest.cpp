// "Download to Keyboard": the rows it shows for each kind of change, its two
// answers, and the check box that turns it off for the Downloads to come.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/DownloadPreviewDlg.h"
#include "ui/TableDiffView.h"

using q4t::DownloadPreviewDlg;
using q4t::KeyPosition;
using q4t::KeyTable;

Q_DECLARE_METATYPE(KeyTable)

namespace {

KeyTable defaultTable() {
  KeyTable table;
  q4t::readKeyTable((q4t::test::sourceDir() + QStringLiteral("/DefTable.q4t")).toStdString(), table);
  return table;
}

KeyTable edited(const std::function<void(KeyTable&)>& edit) {
  KeyTable table = defaultTable();
  edit(table);
  return table;
}

// "Group: cell | cell | ...", one line per row, as the user reads the list.
QStringList rowsOf(const q4t::TableDiffView& view) {
  QStringList rows;
  const QTreeWidget& list = view.list();
  for (int g = 0; g < list.topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = list.topLevelItem(g);
    for (int r = 0; r < group->childCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < list.columnCount(); ++c) cells << group->child(r)->text(c);
      rows << group->text(0).section(QLatin1Char(' '), 0, 0) + QStringLiteral(": ") + cells.join(QStringLiteral(" | "));
    }
  }
  return rows;
}

// Runs confirmDownload; answer acts on the preview once it shows. Whether a
// preview showed at all goes to shown.
bool confirmWith(const KeyTable& keyboard, const KeyTable& window, const std::function<void(DownloadPreviewDlg&)>& answer,
                 bool* shown = nullptr) {
  if (shown) *shown = false;
  QTimer::singleShot(0, qApp, [answer, shown] {
    auto* dialog = qobject_cast<DownloadPreviewDlg*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (shown) *shown = true;
    answer(*dialog);
    if (dialog->isVisible()) dialog->reject();  // a failed check must not hang the test
  });
  const bool confirmed = q4t::confirmDownload(keyboard, window, nullptr);
  QCoreApplication::processEvents();  // the timer of a dialog that never showed runs out here
  return confirmed;
}

}  // namespace

class DownloadPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { q4t::test::setUpProgramSettings(); }
  void init() { QSettings().clear(); }

  void listsEachChangeUnderItsGroup_data() {
    QTest::addColumn<KeyTable>("keyboard");
    QTest::addColumn<KeyTable>("window");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("rows");
    const KeyTable plain = defaultTable();
    const auto counter40 = [](KeyTable& t) { t.counterOn(40, KeyPosition::TopLeft, 9); };
    QTest::newRow("value") << plain << edited([](KeyTable& t) { t.setValue(3, 40); t.setLabel(3, "Tea"); })
                           << "1 key changes; 1 label changes"
                           << QStringList{"Keys: 3 | Tea | 4 | 40 | ", "Labels: 3 |  |  | Tea | label"};
    QTest::newRow("merge") << plain << edited([](KeyTable& t) { t.mergeRight(12); }) << "1 double key changes"
                           << QStringList{"Keys: 12 |  | 13 | 13 | merged: single -> double right"};
    // Split, the covered key keeps the value it had under the double key.
    QTest::newRow("split") << edited([](KeyTable& t) { t.mergeRight(12); })
                           << edited([](KeyTable& t) { t.mergeRight(12); t.splitKey(12); }) << "1 double key changes"
                           << QStringList{"Keys: 12 |  | 13 | 13 | split: double right -> single"};
    QTest::newRow("counter added") << plain << edited(counter40) << "1 counter changes"
                                   << QStringList{"TCO: 9 |  | none | key 40 | added"};
    QTest::newRow("counter removed") << edited(counter40) << plain << "1 counter changes"
                                     << QStringList{"TCO: 9 |  | key 40 | none | removed"};
    QTest::newRow("counter moved") << edited(counter40)
                                   << edited([](KeyTable& t) { t.counterOn(41, KeyPosition::TopLeft, 9); })
                                   << "1 counter changes" << QStringList{"TCO: 9 |  | key 40 | key 41 | moved"};
    QTest::newRow("label only") << edited([](KeyTable& t) { t.setLabel(5, "Old"); })
                                << edited([](KeyTable& t) { t.setLabel(5, "New"); })
                                << "The keyboard already holds this table."
                                << QStringList{"Labels: 5 |  | Old | New | label"};
    QTest::newRow("same") << plain << plain << "The keyboard already holds this table." << QStringList{};
  }

  void listsEachChangeUnderItsGroup() {
    QFETCH(KeyTable, keyboard);
    QFETCH(KeyTable, window);
    QFETCH(QString, summary);
    QFETCH(QStringList, rows);
    const DownloadPreviewDlg dialog(keyboard, window);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Download to Keyboard"));
    QCOMPARE(dialog.changes().summary().text(), summary);
    QCOMPARE(rowsOf(dialog.changes()), rows);
  }

  void downloadConfirmsAndCancelStops() {
    const KeyTable keyboard = defaultTable();
    const KeyTable window = edited([](KeyTable& t) { t.setValue(0, 9); });
    QVERIFY(confirmWith(keyboard, window, [](DownloadPreviewDlg& d) { d.downloadButton().click(); }));
    QVERIFY(!confirmWith(keyboard, window, [](DownloadPreviewDlg& d) { d.cancelButton().click(); }));
    QVERIFY(!confirmWith(keyboard, window, [](DownloadPreviewDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }));
    // Enter in the list is Download too.
    QVERIFY(confirmWith(keyboard, window, [](DownloadPreviewDlg& d) {
      QTest::keyClick(&d.changes().list(), Qt::Key_Return);
    }));
  }

  void theCheckBoxIsKeptAndOffSkipsThePreview() {
    const KeyTable table = defaultTable();
    bool shown = false;
    QVERIFY(confirmWith(table, table, [](DownloadPreviewDlg& d) {
      QVERIFY(d.showEachTime().isChecked());
      d.showEachTime().click();
      d.downloadButton().click();
    }, &shown));
    QVERIFY(shown);
    QCOMPARE(QSettings().value(QStringLiteral("Download/showChanges")).toBool(), false);

    // Off: no dialog, Download at once.
    QVERIFY(confirmWith(table, table, [](DownloadPreviewDlg& d) { d.cancelButton().click(); }, &shown));
    QVERIFY(!shown);

    // Turned on again in the settings, the dialog is back with the box ticked.
    QSettings().setValue(QStringLiteral("Download/showChanges"), true);
    QVERIFY(!confirmWith(table, table, [](DownloadPreviewDlg& d) {
      QVERIFY(d.showEachTime().isChecked());
      d.cancelButton().click();
    }, &shown));
    QVERIFY(shown);
  }
};

QTEST_MAIN(DownloadPreviewTest)
#include "DownloadPreviewTest.moc"
