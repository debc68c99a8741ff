// Shows the manual's pages: qthelp addresses are read from the help
// collection, and links between pages open here, with a history for Back and
// Forward; web and mail addresses open in the desktop's programs.
#pragma once

#include <QTextBrowser>

class QHelpEngineCore;

namespace q4t {

class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpBrowser(const QHelpEngineCore& engine, QWidget* parent = nullptr);

  QVariant loadResource(int type, const QUrl& name) override;

 private:
  void followLink(const QUrl& url);

  const QHelpEngineCore& engine_;
};

}  // namespace q4t
