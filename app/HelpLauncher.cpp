#include "app/HelpLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QStandardPaths>
#include <QWidget>

#include "app/HelpWindow.h"
#include "model/DataFiles.h"

namespace q4t {

namespace {

const char* const kCollectionName = "Q4TProgrammer.qhc";

// The search writes its index beside the collection and into it, so the
// manual is always registered anew in a collection in the user's cache: the
// installed files stay as the package made them, also when root (who may
// write there) opens the manual.
QString indexableCollection(const QString& file) {
  const QFileInfo info(file);
  if (!info.isFile()) return file;
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  const QString mirror = cache + QLatin1Char('/') + info.fileName();
  QHelpEngineCore installed(file);
  if (!QDir().mkpath(cache) || !installed.setupData()) return file;
  QFile::remove(mirror);
  QHelpEngineCore mirrored(mirror);
  mirrored.setReadOnly(false);
  if (!mirrored.setupData()) return file;
  for (const QString& space : installed.registeredDocumentations())
    if (!mirrored.registerDocumentation(installed.documentationFileName(space))) return file;
  return mirror;
}

}  // namespace

HelpLauncher::HelpLauncher() = default;
HelpLauncher::~HelpLauncher() = default;

QString HelpLauncher::collectionFile() {
  if (qEnvironmentVariableIsSet("Q4T_HELP_FILE")) return qEnvironmentVariable("Q4T_HELP_FILE");
  return QString::fromStdString(findDataFile(std::string("help/") + kCollectionName));
}

bool HelpLauncher::showDefaultTopic(QWidget* owner) {
  if (!loadOnce(owner)) return false;
  window_->showPage(window_->defaultTopic());
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
  return true;
}

bool HelpLauncher::loadOnce(QWidget* owner) {
  if (window_) return true;
  if (failed_) return false;
  window_ = HelpWindow::open(indexableCollection(collectionFile()));
  failed_ = !window_;
  if (window_ && owner) window_->move(owner->window()->geometry().center() - window_->rect().center());
  return !failed_;
}

}  // namespace q4t
