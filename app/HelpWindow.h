// The manual's window: contents, keyword index and full-text search on the
// left, the page on the right, Back and Forward above. The search index is
// built when the search is first opened.
#pragma once

#include <QMainWindow>
#include <QUrl>
#include <memory>

class QAction;
class QHelpEngine;
class QTabWidget;
class QVBoxLayout;

namespace q4t {

class HelpBrowser;

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The window over the given help collection; null when the collection
  // cannot be loaded or lacks the manual.
  static std::unique_ptr<HelpWindow> open(const QString& collectionFile);

  // The manual's first page.
  QUrl defaultTopic() const;
  void showPage(const QUrl& url);

  QHelpEngine& engine() const { return *engine_; }
  HelpBrowser& browser() const { return *browser_; }
  QTabWidget& navigation() const { return *navigation_; }
  QAction& backAction() const { return *back_; }
  QAction& forwardAction() const { return *forward_; }

 private:
  explicit HelpWindow(const QString& collectionFile);
  bool load();
  QWidget* makeIndexPage();
  void makeHistoryButtons();
  void openSearchOnFirstUse(int tab);

  QHelpEngine* engine_;
  HelpBrowser* browser_;
  QTabWidget* navigation_;
  QAction* back_ = nullptr;
  QAction* forward_ = nullptr;
  QVBoxLayout* searchLayout_ = nullptr;
  int searchTab_ = -1;
};

}  // namespace q4t
