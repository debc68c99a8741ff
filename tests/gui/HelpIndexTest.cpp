// The built manual's keyword index: each word a technician looks for, typed
// into the index and confirmed with Enter, shows the page about it. A page
// renamed or a keyword dropped from the help project fails here.
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QLineEdit>
#include <QtTest>

#include "app/HelpBrowser.h"
#include "app/HelpLauncher.h"
#include "app/HelpWindow.h"

namespace q4t {
namespace {

struct IndexWord {
  const char* word;
  const char* page;
};

const IndexWord kIndexWords[] = {
    {"merge", "merging-keys.html"},         {"save", "key-table-file.html"},
    {"permission", "connecting.html"},      {"serial port", "connecting.html"},
    {"ttyS", "connecting.html"},            {"ttyUSB", "usb-adapters.html"},
    {"/dev", "connecting.html"},            {"quick start", "quick-start.html"},
    {"simulator", "virtual-keyboard.html"}, {"without hardware", "virtual-keyboard.html"},
    {"Interface", "menus.html"},            {"KeyTable", "menus.html"},
    {"New", "key-table-file.html"},         {"close", "menus.html"},
    {"exit", "main-window.html"},           {"-1", "key-values.html"},
    {"MSR", "tco-window.html"},             {"minutes", "tco-window.html"},
    {"keylock", "tco-window.html"},         {"busy", "troubleshooting.html"},
    {"in use", "troubleshooting.html"},     {"version", "help-about.html"},
    {"command line", "command-line.html"},  {"cable", "usb-adapters.html"},
    {"license", "license.html"},            {"licence", "license.html"},
    {"backup", "backup.html"},              {"several keyboards", "several-keyboards.html"},
    {"UTF-16", "key-table-file.html"},      {"flow control", "usb-adapters.html"},
    {"Last failure", "troubleshooting.html"}, {"service record", "tco-counters.html"},
};

}  // namespace

class HelpIndexTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { qunsetenv("Q4T_HELP_FILE"); }

  void eachWordTypedIntoTheIndexShowsItsPage() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow& window = *launcher.window();
    QTRY_VERIFY(window.engine().indexModel()->rowCount() > 0);
    QLineEdit* filter = nullptr;
    for (QLineEdit* field : window.findChildren<QLineEdit*>())
      if (field->accessibleName() == QLatin1String("Look for keyword")) filter = field;
    QVERIFY(filter);

    QStringList wrong;
    for (const IndexWord& entry : kIndexWords) {
      window.showPage(window.defaultTopic());
      filter->clear();
      QTest::keyClicks(filter, QString::fromUtf8(entry.word));
      QTest::keyClick(filter, Qt::Key_Return);
      const QString shown = window.browser().source().fileName();
      if (shown != QLatin1String(entry.page))
        wrong << QStringLiteral("%1 -> %2 (wanted %3)").arg(entry.word, shown, entry.page);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    window.close();
  }

  // The index finds the page under both spellings; the pages themselves
  // spell the word as the program's texts do.
  void pagesOfTheContentsSpellLicenseAsTheProgramDoes() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow& window = *launcher.window();
    QHelpContentModel* contents = window.engine().contentModel();
    QTRY_VERIFY(contents->rowCount() > 0);
    QList<QModelIndex> pending{contents->index(0, 0)};
    QStringList pages;
    while (!pending.isEmpty()) {
      const QModelIndex item = pending.takeFirst();
      for (int row = 0; row < contents->rowCount(item); ++row) pending << contents->index(row, 0, item);
      const QUrl url = contents->contentItemAt(item)->url();
      pages << url.fileName();
      const QString text = QString::fromUtf8(window.engine().fileData(url));
      QVERIFY2(!text.contains(QLatin1String("licence"), Qt::CaseInsensitive), qPrintable(url.fileName()));
    }
    QVERIFY2(pages.contains("license.html") && pages.size() >= 25, qPrintable(pages.join(' ')));
    window.close();
  }
};

}  // namespace q4t

QTEST_MAIN(q4t::HelpIndexTest)
#include "HelpIndexTest.moc"
