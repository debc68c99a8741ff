// The whole program for window tests: its settings kept apart from the user's,
// a temporary current directory holding DefTable.q4t, and CQ4TProgrammerApp on
// a LinkShared of its own.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/CQ4TProgrammerApp.h"
#include "link/LinkShared.h"
#include "model/KeyTable.h"

class QWidget;

namespace docview {
class Document;
}

namespace q4t {
class CQ4TForm;
}

namespace q4t::test {

// The organisation and application names of the program, settings in test mode.
void setUpProgramSettings();

// Runs act once on the next modal dialog that is no message box, within 5 s;
// deleting the returned watcher gives up.
QObject* whenModal(std::function<void(QWidget*)> act);

// Clicks key k of the view and enters text in the Change Key Value dialog, OK.
void editKeyValue(CQ4TForm& form, int k, const QString& text);
// Opens key k's menu as a right click does and picks the item with the command id (0: closes the menu).
void chooseFromKeyMenu(CQ4TForm& form, int k, int id);
// Confirms the next port dialog with its proposal.
void confirmNextPortDialog();

class ProgramFixture {
 public:
  ProgramFixture();
  ~ProgramFixture();

  // Constructs the program (after `shared` is set up) and runs its start-up.
  bool start(const QStringList& files = {});
  CQ4TProgrammerApp& app() const { return *app_; }
  // The key layout view of the active window, else of the first document.
  CQ4TForm* form() const;
  docview::Document* document() const;

  QString path(const QString& name) const;
  // DefTable.q4t with edit applied, saved under name; its path.
  QString writeTable(const QString& name, const std::function<void(KeyTable&)>& edit) const;

  LinkShared shared;

 private:
  QTemporaryDir dir_;
  QString previousDir_;
  std::unique_ptr<CQ4TProgrammerApp> app_;
};

}  // namespace q4t::test
