// The help launcher and window over the built manual: links, history, placement,
// search; and the About box.
#include <QApplication>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QTimer>
#include <QtTest>

#include "app/CAboutDlg.h"
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

// Clicks, with the mouse, the first character of the first link to href.
bool clickLink(HelpBrowser& browser, const QString& href) {
  for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().anchorHref() != href) continue;
      QTextCursor cursor(browser.document());
      cursor.setPosition(it.fragment().position());
      browser.setTextCursor(cursor);
      browser.ensureCursorVisible();
      const QRect start = browser.cursorRect(cursor);
      cursor.movePosition(QTextCursor::NextCharacter);
      const QPoint middle((start.left() + browser.cursorRect(cursor).left()) / 2, start.center().y());
      QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, middle);
      return true;
    }
  }
  return false;
}

QString shownPage(const HelpWindow& window) { return window.browser().source().fileName(); }

QAbstractButton* buttonOf(HelpWindow& window, QAction& action) {
  for (QToolBar* bar : window.findChildren<QToolBar*>())
    if (auto* button = qobject_cast<QAbstractButton*>(bar->widgetForAction(&action))) return button;
  return nullptr;
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

  void linksOpenInTheWindowAndBackAndForwardRetraceThem() {
    HelpLauncher launcher;
    QVERIFY(launcher.showDefaultTopic(nullptr));
    HelpWindow& window = *launcher.window();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QAbstractButton* back = buttonOf(window, window.backAction());
    QAbstractButton* forward = buttonOf(window, window.forwardAction());
    QVERIFY(back && forward);
    QVERIFY(!back->isEnabled());

    QVERIFY(clickLink(window.browser(), "quick-start.html"));
    QCOMPARE(shownPage(window), QStringLiteral("quick-start.html"));
    QVERIFY(window.browser().toPlainText().contains("These steps program a keyboard"));
    QVERIFY(clickLink(window.browser(), "connecting.html"));
    QCOMPARE(shownPage(window), QStringLiteral("connecting.html"));
    QVERIFY(back->isEnabled());
    QVERIFY(!forward->isEnabled());

    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(shownPage(window), QStringLiteral("quick-start.html"));
    QVERIFY(forward->isEnabled());
    // The keys work with the focus on the contents as on the page.
    window.engine().contentWidget()->setFocus();
    QTest::keyClick(&window, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(shownPage(window), QStringLiteral("index.html"));
    QVERIFY(!back->isEnabled());
    QTest::keyClick(&window, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(shownPage(window), QStringLiteral("quick-start.html"));
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(shownPage(window), QStringLiteral("connecting.html"));
    QVERIFY(!forward->isEnabled());
    window.close();
  }

  void windowOpensWhollyOnTheScreenWhereverItsOwnerIs() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize ownerSize(632, 460);
    const QList<QPoint> ownerPlaces{area.topLeft(), area.bottomRight() - QPoint(631, 459),
                                    area.center() - QPoint(316, 230)};
    for (const QPoint& place : ownerPlaces) {
      QWidget owner;
      owner.setGeometry(QRect(place, ownerSize));
      owner.show();
      HelpLauncher launcher;
      QVERIFY(launcher.showDefaultTopic(&owner));
      const QRect shown = launcher.window()->frameGeometry();
      QVERIFY2(area.contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                   .arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
      QVERIFY(shown.width() >= 400 && shown.height() >= 400);
      launcher.window()->close();
    }
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

  void aboutBoxShowsVersionAndLogoAndEndsWithOk() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Dev izured for Q4T"));
    QStringList texts;
    QSize logoSize;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
      if (label->text().isEmpty()) logoSize = label->size();
      else texts << label->text();
    }
    QVERIFY(texts.contains("Dev izured for Q4T Version 1.0.0.1"));
    QVERIFY(texts.contains("Copyright (C) 2026 Q4T Programmer developers"));
    QVERIFY(texts.contains("https://q4t-programmer.example.org"));
    QCOMPARE(logoSize, QSize(161, 52));
    auto* ok = about.findChild<QPushButton*>();
    QVERIFY(ok->isDefault());
    QTimer::singleShot(0, ok, &QPushButton::click);
    QCOMPARE(about.DoModal(), 1);
    QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Escape); });
    QCOMPARE(about.DoModal(), 2);
  }

  void imagesHaveTheirSizes() {
    QCOMPARE(QPixmap(":/resources/toolbar.png").size(), QSize(96, 15));
    QCOMPARE(QPixmap(":/resources/logo.png").size(), QSize(161, 52));
    QCOMPARE(QPixmap(":/icons/32x32/org.q4t.programmer.png").size(), QSize(32, 32));
    QCOMPARE(QPixmap(":/resources/document.png").size(), QSize(32, 32));
  }
};

}  // namespace q4t

QTEST_MAIN(q4t::HelpAboutTest)
#include "HelpAboutTest.moc"
