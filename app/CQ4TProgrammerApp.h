// The application: start-up, the two window types, New, Open and the recent
// files, About and Exit; what the key layout views need of the program.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QFileDialog;

#include "app/RecentFileList.h"
#include "docview/CommandTarget.h"
#include "editor/FormHost.h"

namespace docview {
class CommandRouter;
class DocTemplate;
}  // namespace docview

namespace q4t {

class CMainFrame;
class CQ4TForm;
class HelpLauncher;
class KeyTable;
class KeyLabelsPanel;
class OpenFileDialog;
class SheetCommands;
class TableHistoryCommands;
struct TableCopy;
class PortDevice;
class UiTranslator;

class CQ4TProgrammerApp : public QObject, public FormHost, public docview::CommandTarget {
  Q_OBJECT
 public:
  explicit CQ4TProgrammerApp(LinkShared& shared);
  ~CQ4TProgrammerApp() override;

  // The names of the settings store, the message boxes and the main window's
  // caption. No display name of its own: the platform would add that to every
  // window title.
  static void setUpNames();

  // Start-up; false when the program must end (the command line's file could
  // not be opened).
  bool initInstance(const QStringList& arguments);

  CMainFrame& mainFrame() const { return *mainFrame_; }
  docview::CommandRouter& router() const { return *router_; }
  const RecentFileList& recentFiles() const { return recentFiles_; }
  SheetCommands& sheetCommands() const { return *sheets_; }
  KeyLabelsPanel& keyLabels() const { return *keyLabels_; }

  bool newDocument();
  // Opens the file in a key layout window, or activates the window that has it.
  bool openDocumentFile(const QString& path);
  // Shows the table in a key layout window of its own, bound to no file.
  bool openTableCopy(const KeyTable& table, const QString& title);
  // The Open dialog's file; empty when cancelled.
  QString chooseOpenFileName();
  // The key layout view of the active window; null for none.
  CQ4TForm* activeForm() const;
  // Save prompts, every window closed, then the port released; false when cancelled.
  bool exitInstance();

  // FormHost.
  LinkShared& linkShared() override { return shared_; }
  docview::DocTemplate& keyLayoutTemplate() override { return *keyLayoutTemplate_; }
  docview::DocTemplate& tcoTemplate() override { return *tcoTemplate_; }
  void showStatus(const QString& text) override;
  void noteCause(const QString& cause) override;
  QWidget* mainWindow() override;
  void showHelp() override;
  QString chooseSaveFileName() override;
  void updateActions() override;

  // New, Open, recent files, About, Exit.
  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

 private:
  std::vector<docview::CommandTarget*> routingChain();
  void registerTemplates();
  void openFileDialog();
  // The message for a file that cannot be opened; its recent entry leaves.
  bool openFailed(const QString& path, const QString& reason);
  void releasePort();
  void portNotOpened(const QString& cause, bool denied);
  void followActiveChild();

  LinkShared& shared_;
  std::shared_ptr<PortDevice> lastMadePort_;
  docview::CommandRouter* router_;
  std::unique_ptr<CMainFrame> mainFrame_;
  docview::DocTemplate* keyLayoutTemplate_ = nullptr;
  docview::DocTemplate* tcoTemplate_ = nullptr;
  RecentFileList recentFiles_;
  std::unique_ptr<HelpLauncher> help_;
  std::unique_ptr<UiTranslator> translator_;
  std::unique_ptr<SheetCommands> sheets_;
  std::unique_ptr<TableHistoryCommands> history_;
  const TableCopy* copyToOpen_ = nullptr;  // while openTableCopy makes its window
  KeyLabelsPanel* keyLabels_ = nullptr;
  std::unique_ptr<OpenFileDialog> openDialog_;
  std::unique_ptr<QFileDialog> saveDialog_;
};

}  // namespace q4t
