#include "app/TableHistoryCommands.h"

#include <QMessageBox>
#include <QPointer>

#include "app/CQ4TProgrammerApp.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "docview/FileNames.h"
#include "editor/CQ4TForm.h"
#include "model/KeyTableFile.h"
#include "model/SnapshotStore.h"
#include "ui/CommandIds.h"
#include "ui/KeyboardHistoryDlg.h"
#include "ui/ProgramMessage.h"
#include "ui/TableCompareDlg.h"

namespace q4t {

std::optional<docview::CommandState> TableHistoryCommands::commandState(int id) const {
  if (id == cmd::kKeyboardHistory) return docview::CommandState{};
  if (id != cmd::kCompareWith) return std::nullopt;
  const CQ4TForm* form = app_.activeForm();
  return docview::CommandState{form && !form->link().transferRunning()};
}

void TableHistoryCommands::runCommand(int id) {
  if (id == cmd::kCompareWith) compareWithFile();
  if (id == cmd::kKeyboardHistory) showHistory();
}

void TableHistoryCommands::compareWithFile() {
  // Taken before the file dialog, which may leave no window active behind it.
  const QPointer<CQ4TForm> form = app_.activeForm();
  const QString path = app_.chooseOpenFileName();
  if (path.isEmpty() || !form) return;
  KeyTable table;
  if (const FileResult read = readKeyTable(docview::nativePath(path), table); !read) {
    showProgramMessage(app_.mainWindow(), QMessageBox::Warning,
                       QObject::tr("%1 is no key table to compare with:\n%2.")
                           .arg(docview::shownPath(path), QString::fromStdString(read.reason)));
    return;
  }
  TableCompareDlg(table, docview::shownPath(path), form->table(), form->document()->title(), app_.mainWindow()).exec();
}

void TableHistoryCommands::showHistory() {
  HistoryActions actions;
  if (const CQ4TForm* form = app_.activeForm()) {
    actions.activeTable = &form->table();
    actions.activeTitle = form->document()->title();
  }
  actions.open = [this](const KeyTable& table, const QString& title) { return app_.openTableCopy(table, title); };
  actions.download = [this] { restoreDownload(); };
  KeyboardHistoryDlg(SnapshotStore(), std::move(actions), app_.mainWindow()).exec();
}

// The opened table goes to the keyboard as the toolbar's Download sends it.
void TableHistoryCommands::restoreDownload() {
  if (app_.router().run(cmd::kDownload)) return;
  showProgramMessage(app_.mainWindow(), QMessageBox::Information,
                     QObject::tr("The kept table is open in its own window. Connect with the keyboard "
                                 "(Interface > Port), then choose KeyTable > Download to restore it."));
}

}  // namespace q4t
