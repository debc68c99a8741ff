#include "app/HelpBrowser.h"

#include <QHelpEngineCore>

namespace q4t {

HelpBrowser::HelpBrowser(const QHelpEngineCore& engine, QWidget* parent)
    : QTextBrowser(parent), engine_(engine) {
  setOpenExternalLinks(true);
  setAccessibleName(tr("Help page"));
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  if (name.scheme() == QLatin1String("qthelp")) return engine_.fileData(name);
  return QTextBrowser::loadResource(type, name);
}

}  // namespace q4t
