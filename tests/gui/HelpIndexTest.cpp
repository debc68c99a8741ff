// The built manual's keyword index: each word a technician looks for, typed
// into the index and confirmed with Enter, shows the page about it. A page
// renamed or a keyword dropped from the help project fails here.
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QLineEdit>
#include <QRegularExpression>
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
    {"Save As", "key-table-file.html"},     {"FIFO", "key-table-file.html"},
    {"refused", "key-table-file.html"},     {"Unable to open", "messages.html"},
    {"cannot hold", "key-table-file.html"}, {"255", "key-values.html"},
    {"install", "programs.html"},           {"package", "programs.html"},
    {"uninstall", "programs.html"},         {"man page", "programs.html"},
    {"desktop menu", "programs.html"},      {"label", "labels-printing.html"},
    {"print", "labels-printing.html"},      {"export", "labels-printing.html"},
    {"German", "key-table-file.html"},      {"All Files", "key-table-file.html"},
    {"Leave it unfinished", "troubleshooting.html"}, {"Shift+F10", "status-bar.html"},
    {"Latin-1", "command-line.html"},       {"--version", "command-line.html"},
    {"undo", "undo.html"},                  {"paste", "undo.html"},
};

// Every page of the contents, each once, in the order of the contents.
QList<QUrl> contentsPages(QHelpContentModel& contents) {
  QList<QModelIndex> pending{contents.index(0, 0)};
  QList<QUrl> pages;
  while (!pending.isEmpty()) {
    const QModelIndex item = pending.takeFirst();
    for (int row = 0; row < contents.rowCount(item); ++row) pending << contents.index(row, 0, item);
    const QUrl url = contents.contentItemAt(item)->url();
    if (!pages.contains(url)) pages << url;
  }
  return pages;
}

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
    QStringList pages;
    for (const QUrl& url : contentsPages(*contents)) {
      pages << url.fileName();
      const QString text = QString::fromUtf8(window.engine().fileData(url));
      QVERIFY2(!text.contains(QLatin1String("licence"), Qt::CaseInsensitive), qPrintable(url.fileName()));
    }
    QVERIFY2(pages.contains("license.html") && pages.size() >= 25, qPrintable(pages.join(' ')));
    window.close();
  }

  // Every link of every page, followed from the contents, leads to a page of
  // the help file (and to an anchor of it that exists); web addresses aside.
  void everyLinkLeadsToAPageOfTheManual() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow& window = *launcher.window();
    QHelpContentModel* contents = window.engine().contentModel();
    QTRY_VERIFY(contents->rowCount() > 0);
    const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
    QList<QUrl> pending = contentsPages(*contents);
    QList<QUrl> seen = pending;
    QStringList broken;
    int linksFollowed = 0;
    while (!pending.isEmpty()) {
      const QUrl page = pending.takeFirst();
      const QString text = QString::fromUtf8(window.engine().fileData(page));
      if (text.isEmpty()) broken << page.fileName() + QStringLiteral(" (no such page)");
      for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
        const QUrl target = page.resolved(QUrl(match.captured(1)));
        if (target.scheme() != page.scheme()) continue;
        ++linksFollowed;
        const QUrl file = target.adjusted(QUrl::RemoveFragment);
        const QString targetText = QString::fromUtf8(window.engine().fileData(file));
        const bool anchorFound = !target.hasFragment() ||
                                 targetText.contains(QStringLiteral("id=\"%1\"").arg(target.fragment()));
        if (targetText.isEmpty() || !anchorFound)
          broken << QStringLiteral("%1 -> %2").arg(page.fileName(), match.captured(1));
        if (!targetText.isEmpty() && file.fileName().endsWith(QLatin1String(".html")) && !seen.contains(file)) {
          seen << file;
          pending << file;
        }
      }
    }
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QStringLiteral("; "))));
    QVERIFY2(linksFollowed > 200, qPrintable(QString::number(linksFollowed)));
    window.close();
  }
};

}  // namespace q4t

QTEST_MAIN(q4t::HelpIndexTest)
#include "HelpIndexTest.moc"
