// The help launcher and window over the built manual, and the About box.
#include <QApplication>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QTabWidget>
#include <QtTest>

#include "app/HelpBrowser.h"
#include "app/HelpLauncher.h"
#include "app/HelpWindow.h"

namespace q4t {
namespace {

int visibleHelpWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    count += qobject_cast<HelpWindow*>(widget) && widget->isVisible();
  return count;
}

}  // namespace

class HelpAboutTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { qunsetenv("Q4T_HELP_FILE"); }

  void helpShowsManualAndReusesItsWindow() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow* window = launcher.window();
    QVERIFY(window->isVisible());
    QTRY_VERIFY(window->engine().contentWidget()->model()->rowCount() > 0);
    QCOMPARE(window->browser().source().fileName(), QStringLiteral("index.html"));
    QCOMPARE(window->browser().documentTitle(), QStringLiteral("Q4T Programmer manual"));

    window->showPage(QUrl(window->defaultTopic().toString().replace("index.html", "toolbar.html")));
    QVERIFY(window->browser().toPlainText().contains("Download to Keyboard"));
    window->close();
    QVERIFY(launcher.showDefaultTopic(nullptr));
    QCOMPARE(launcher.window(), window);
    QCOMPARE(window->browser().source().fileName(), QStringLiteral("index.html"));
    QCOMPARE(visibleHelpWindows(), 1);
  }

  void searchBuildsIndexOnFirstUseAndFindsPage() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow* window = launcher.window();
    window->navigation().setCurrentIndex(2);
    QHelpSearchEngine* search = window->engine().searchEngine();
    QHelpSearchQueryWidget* query = search->queryWidget();
    QTRY_VERIFY_WITH_TIMEOUT(query->isEnabled(), 20000);
    query->setSearchInput(QStringLiteral("dialout"));
    emit query->search();
    QTRY_VERIFY(search->searchResultCount() > 0);
    QStringList pages;
    for (const QHelpSearchResult& result : search->searchResults(0, search->searchResultCount()))
      pages << result.url().fileName();
    QVERIFY2(pages.contains("connecting.html"), qPrintable(pages.join(' ')));
    window->close();
  }

  void missingManualShowsNothingAndIsNotRetried() {
    const QString good = HelpLauncher::collectionFile();
    HelpLauncher launcher;
    qputenv("Q4T_HELP_FILE", "/nonexistent/Q4TProgrammer.qhc");
    QVERIFY(!launcher.showDefaultTopic(nullptr));
    QVERIFY(!launcher.window());
    qputenv("Q4T_HELP_FILE", good.toLocal8Bit());
    QVERIFY(!launcher.showDefaultTopic(nullptr));
    QCOMPARE(visibleHelpWindows(), 0);
  }
};

}  // namespace q4t

QTEST_MAIN(q4t::HelpAboutTest)
#include "HelpAboutTest.moc"
