#include "app/HelpBrowser.h"

#include <QHelpEngineCore>

namespace q4t {

HelpBrowser::HelpBrowser(const QHelpEngineCore& engine, QWidget* parent)
    : QTextBrowser(parent), engine_(engine) {
  setOpenExternalLinks(true);
  setAccessibleName(tr("Help page"));
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  // Style sheets and images of a page come with addresses relative to it.
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (url.scheme() == QLatin1String("qthelp")) return engine_.fileData(url);
  return QTextBrowser::loadResource(type, name);
}

}  // namespace q4t
