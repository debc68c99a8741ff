#include "support/ProgramFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/CComPortDlg.h"
#include "app/CMainFrame.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "support/GuiTestSupport.h"

namespace q4t::test {

void setUpProgramSettings() {
  QStandardPaths::setTestModeEnabled(true);
  // A folder of this process's own, so that window tests running side by
  // side never share a recent-file list.
  static const QTemporaryDir settingsDir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  // Downloads keep the keyboard's tables there too, never in the user's folders.
  qputenv("XDG_DATA_HOME", settingsDir.path().toLocal8Bit());
  CQ4TProgrammerApp::setUpNames();
}

QObject* whenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(qApp);
  const QDeadlineTimer deadline(5000);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, deadline] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool found = modal && modal->isVisible() && !qobject_cast<QMessageBox*>(modal);
    if (!found && !deadline.hasExpired()) return;
    timer->stop();
    timer->deleteLater();
    if (found) act(modal);
  });
  timer->start(10);
  return timer;
}

void editKeyValue(CQ4TForm& form, int k, const QString& text) {
  whenModal([text](QWidget* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("1004"))->setText(text);
    dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
  });
  QTest::mouseClick(form.layout().button(k), Qt::LeftButton);
}

void chooseFromKeyMenu(CQ4TForm& form, int k, int id) {
  QTimer::singleShot(50, qApp, [id] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions())
      if (id != 0 && action->data().toInt() == id) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    if (menu->isVisible()) menu->close();
  });
  QWidget* key = form.layout().button(k);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), key->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(key, &event);
}

void confirmNextPortDialog() {
  whenModal([](QWidget* dialog) { qobject_cast<CComPortDlg*>(dialog)->connectButton()->click(); });
}

ProgramFixture::ProgramFixture() : previousDir_(QDir::currentPath()) {
  QSettings().clear();
  // Tests of the preview turn it on; the others download without it.
  QSettings().setValue(QStringLiteral("Download/showChanges"), false);
  QFile::copy(sourceDir() + QStringLiteral("/DefTable.q4t"), dir_.filePath(QStringLiteral("DefTable.q4t")));
  QDir::setCurrent(dir_.path());
}

ProgramFixture::~ProgramFixture() {
  if (app_) {
    for (docview::DocTemplate* docTemplate : {&app_->keyLayoutTemplate(), &app_->tcoTemplate()}) {
      for (docview::Document* document : docTemplate->documents()) document->setModified(false);
    }
    app_->exitInstance();
    app_.reset();
  }
  QDir::setCurrent(previousDir_);
}

bool ProgramFixture::start(const QStringList& files) {
  app_ = std::make_unique<CQ4TProgrammerApp>(shared);
  return app_->initInstance(QStringList{QStringLiteral("q4t-programmer")} + files);
}

CQ4TForm* ProgramFixture::form() const {
  if (docview::MdiChildFrame* child = app_->mainFrame().activeChild()) {
    if (auto* active = qobject_cast<CQ4TForm*>(child->view())) return active;
  }
  const docview::Document* first = document();
  return first ? qobject_cast<CQ4TForm*>(first->firstView()) : nullptr;
}

docview::Document* ProgramFixture::document() const {
  const QList<docview::Document*>& documents = app_->keyLayoutTemplate().documents();
  return documents.isEmpty() ? nullptr : documents.first();
}

QString ProgramFixture::path(const QString& name) const { return dir_.filePath(name); }

QString ProgramFixture::writeTable(const QString& name, const std::function<void(KeyTable&)>& edit) const {
  KeyTable table;
  readKeyTable(path(QStringLiteral("DefTable.q4t")).toStdString(), table);
  edit(table);
  writeKeyTable(path(name).toStdString(), table);
  return path(name);
}

}  // namespace q4t::test
