#include "app/HelpLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEngineCore>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

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

// Room for the window manager's title bar and borders, which are not known
// before the window is first shown.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

// The window centred on the owner's window (on the screen without an owner),
// then shrunk and moved as far as needed to lie wholly on that screen.
void placeOnScreen(QWidget& window, const QWidget* owner) {
  const QScreen* screen = owner ? owner->window()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize room(area.width() - kFrameWidth, area.height() - kFrameHeight);
  window.resize(window.size().boundedTo(room));
  QRect placed(QPoint(), window.size() + QSize(kFrameWidth, kFrameHeight));
  placed.moveCenter(owner ? owner->window()->geometry().center() : area.center());
  placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
  placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
  window.move(placed.topLeft());
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
  if (window_) placeOnScreen(*window_, owner);
  return !failed_;
}

}  // namespace q4t
