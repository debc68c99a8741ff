#include "app/HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/HelpBrowser.h"

namespace q4t {

namespace {
const char* const kDefaultPage = "/manual/index.html";
constexpr int kNavigationWidth = 240;
constexpr int kPageWidth = 640;
constexpr int kHeight = 560;
}  // namespace

std::unique_ptr<HelpWindow> HelpWindow::open(const QString& collectionFile) {
  // An engine on a missing file would make a new, empty collection there.
  if (!QFileInfo(collectionFile).isFile()) return nullptr;
  std::unique_ptr<HelpWindow> window(new HelpWindow(collectionFile));
  if (!window->load()) return nullptr;
  return window;
}

// The engine comes first, so that its widgets exist before it sets up and
// fills them.
HelpWindow::HelpWindow(const QString& collectionFile)
    : engine_(new QHelpEngine(collectionFile, this)),
      browser_(new HelpBrowser(*engine_)),
      navigation_(new QTabWidget) {
  setWindowTitle(tr("Q4T Programmer Help"));
  setAttribute(Qt::WA_QuitOnClose, false);
  engine_->setReadOnly(true);

  QHelpContentWidget* contents = engine_->contentWidget();
  contents->setAccessibleName(tr("Contents"));
  connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
  connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, contents,
          [contents] { contents->expandToDepth(0); });
  navigation_->addTab(contents, tr("Contents"));
  navigation_->addTab(makeIndexPage(), tr("Index"));
  auto* searchPage = new QWidget;
  searchLayout_ = new QVBoxLayout(searchPage);
  searchTab_ = navigation_->addTab(searchPage, tr("Search"));
  connect(navigation_, &QTabWidget::currentChanged, this, &HelpWindow::openSearchOnFirstUse);

  auto* splitter = new QSplitter;
  splitter->addWidget(navigation_);
  splitter->addWidget(browser_);
  splitter->setSizes({kNavigationWidth, kPageWidth});
  setCentralWidget(splitter);
  makeHistoryButtons();
  resize(kNavigationWidth + kPageWidth, kHeight);
}

// Alt+Left and Alt+Right work wherever the focus is in the window, not only
// on the page.
void HelpWindow::makeHistoryButtons() {
  QToolBar* bar = addToolBar(tr("Navigation"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"));
  forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"));
  back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
  connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
}

QWidget* HelpWindow::makeIndexPage() {
  auto* page = new QWidget;
  auto* filter = new QLineEdit;
  filter->setAccessibleName(tr("Look for keyword"));
  filter->setPlaceholderText(tr("Look for keyword"));
  QHelpIndexWidget* index = engine_->indexWidget();
  index->setAccessibleName(tr("Index"));
  connect(filter, &QLineEdit::textChanged, index, [index](const QString& text) { index->filterIndices(text); });
  connect(filter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
  connect(index, &QHelpIndexWidget::documentActivated, this,
          [this](const QHelpLink& document) { showPage(document.url); });
  // A keyword on several pages shows the first; the others are a click on
  // the contents away.
  connect(index, &QHelpIndexWidget::documentsActivated, this,
          [this](const QList<QHelpLink>& documents) { showPage(documents.first().url); });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(filter);
  layout->addWidget(index);
  return page;
}

bool HelpWindow::load() {
  return engine_->setupData() && engine_->findFile(defaultTopic()).isValid();
}

QUrl HelpWindow::defaultTopic() const {
  const QString space = engine_->registeredDocumentations().value(0);
  return QUrl(QStringLiteral("qthelp://") + space + QLatin1String(kDefaultPage));
}

void HelpWindow::showPage(const QUrl& url) { browser_->setSource(url); }

// The search engine and its index come into being when the user first opens
// the search; the query waits until the index is there.
void HelpWindow::openSearchOnFirstUse(int tab) {
  if (tab != searchTab_ || !searchLayout_->isEmpty()) return;
  QHelpSearchEngine* search = engine_->searchEngine();
  QHelpSearchQueryWidget* query = search->queryWidget();
  QHelpSearchResultWidget* results = search->resultWidget();
  query->setAccessibleName(tr("Search for"));
  results->setAccessibleName(tr("Search results"));
  query->setEnabled(false);
  connect(query, &QHelpSearchQueryWidget::search, search,
          [search, query] { search->search(query->searchInput()); });
  connect(search, &QHelpSearchEngine::indexingFinished, query, [query] { query->setEnabled(true); });
  connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
  searchLayout_->addWidget(query);
  searchLayout_->addWidget(results);
  search->scheduleIndexDocumentation();
}

}  // namespace q4t
