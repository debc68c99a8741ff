// Shows the manual's pages: qthelp addresses are read from the help
// collection; web addresses open in the desktop's browser.
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
  const QHelpEngineCore& engine_;
};

}  // namespace q4t
