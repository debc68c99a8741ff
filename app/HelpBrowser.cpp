#include "app/HelpBrowser.h"

#include <QDesktopServices>
#include <QHelpEngineCore>

namespace q4t {

namespace {
bool isManualPage(const QUrl& url) { return url.scheme() == QLatin1String("qthelp"); }
}  // namespace

// QTextBrowser would hand every address that is no local file to the
// desktop, the manual's own qthelp pages included; links are followed here.
HelpBrowser::HelpBrowser(const QHelpEngineCore& engine, QWidget* parent)
    : QTextBrowser(parent), engine_(engine) {
  setOpenLinks(false);
  setAccessibleName(tr("Help page"));
  connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::followLink);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  // Style sheets and images of a page come with addresses relative to it.
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (isManualPage(url)) return engine_.fileData(url);
  return QTextBrowser::loadResource(type, name);
}

void HelpBrowser::followLink(const QUrl& link) {
  const QUrl url = link.isRelative() ? source().resolved(link) : link;
  if (isManualPage(url)) setSource(url);
  else QDesktopServices::openUrl(url);
}

}  // namespace q4t
