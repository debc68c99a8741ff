// The key layout view: one key table shown as 92 key buttons with a legend.
// It owns the table, its file path, the key menu, the port dialog, the link
// to the keyboard and the undo stack; it hands key clicks and the key menu's
// commands to its KeyEditCommands, each recorded as one undo command, and
// carries out the edit, transfer, port and save commands.
#pragma once

#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

#include "docview/View.h"
#include "editor/DownloadKeeping.h"
#include "editor/EditHistory.h"
#include "editor/KeyEditCommands.h"
#include "editor/KeyLayout.h"
#include "link/KeyboardLink.h"
#include "model/FileAccess.h"

class QMessageBox;

namespace q4t {

class CComPortDlg;
class FormHost;
class KeyContextMenu;

// A table the window shows as a new one under a title of its own, bound to
// no file: a table kept of a keyboard. Its first save asks for a name.
struct TableCopy {
  KeyTable table;
  QString title;
};

class CQ4TForm : public docview::View, public LinkWindow {
  Q_OBJECT
 public:
  explicit CQ4TForm(FormHost& host, const TableCopy* copy = nullptr, QWidget* parent = nullptr);
  ~CQ4TForm() override;

  bool initialUpdate() override;
  void activated() override;

  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

  // File Save; false when nothing was written. A table still bound to the
  // default table asks for a name as Save As does; a file another program
  // changed since is overwritten only when the user says so.
  bool fileSave();
  // Save As: the save dialog, then the table written there; the window takes
  // the new name only when the save worked. A file open in another window is
  // saved over only after that window closed.
  bool fileSaveAs();
  // Stops the receive thread and closes the TCO window, before the window goes;
  // a running transfer first takes the keyboard out of transfer mode.
  void stopReceiving();
  // While a transfer runs, asks whether to leave it; true when the window may
  // go. A transfer that ends while the question is up answers it Yes.
  bool mayLeaveTransfer();

  const KeyTable& table() const { return table_; }
  const KeyboardLink& link() const { return link_; }
  const KeyLayout& layout() const { return layout_; }
  KeyContextMenu& contextMenu() const { return *contextMenu_; }
  // A label edited in the Key Labels window: the key's tool tip follows and
  // the document is modified when the label changed.
  void setKeyLabel(int k, const QString& label);
  // Where the labels of the last Upload came from; empty when none were found.
  const QString& labelSource() const { return labelSource_; }
  // Every change of the table since the window opened; the modified mark
  // follows its clean state.
  QUndoStack& undoStack() { return history_.stack(); }

  // LinkWindow.
  void PostToWindow(const LinkPost& post) override;
  bool StartTimer(int id, int milliseconds) override;
  void StopTimer(int id) override;
  void ShowStatus(const std::string& text) override;
  void Repaint() override;
  void RefreshKeyTexts() override;
  void RelayoutKeys() override;
  void RefreshKeyStyles() override;
  void RestoreChangedMarks() override;
  void SetModified(bool modified) override;
  void CloseTcoWindows() override;
  void DeviceWentAway() override;
  void UploadTaken(const KeyTable& previous) override;
  void TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) override;
  void TableNotRead() override;
  void WrittenKept(const SavedSnapshot& kept) override;

 signals:
  // A value, shape, counter or label may have changed.
  void keysChanged();
  void labelSourceChanged();

 private:
  void buildLegend();
  void chooseKeyFile();
  bool closeOtherLayouts();
  void loadTable();
  FileResult readTable();
  void warnOfUnholdableFields();
  void download();
  void afterLinkEvent();
  bool saveTo(const QString& path);

  void recordKeyMenuCommand(int id);
  QString keyMenuCommandName(int id) const;
  // The key button with the keyboard focus, -1 when none has it.
  int focusedKey() const;
  void copyKey();
  void pasteKey();
  void afterUndoStep();
  // The Upload taken into the window as one undo command.
  void recordUpload(const KeyTable& previous);

  void onKeyClicked(int k);
  void onContextMenu(int k, const QPoint& globalPos);
  void readTco();
  void choosePort();
  void rollOut();

  FormHost& host_;
  KeyTable table_;
  KeyLayout layout_;
  EditHistory history_;
  QString keyFilePath_;
  std::optional<TableCopy> copy_;  // shown instead of the file's table, until the window has it
  FileContent lastSeen_;  // the file as this window last read or wrote it
  KeyboardLink link_;
  KeyContextMenu* contextMenu_;
  KeyEditCommands edits_;
  std::unique_ptr<CComPortDlg> portDialog_;
  QTimer replyTimer_;
  QPointer<QMessageBox> leaveQuestion_;
  DownloadKeeping keeping_;
  QString lastStatus_;
  QString labelSource_;
};

}  // namespace q4t
