// Print, Print Preview and Export of the active key layout window: the
// layout sheet or the legend inserts, as the sheet dialog chooses.
#pragma once

#include <QDate>
#include <functional>

#include "docview/CommandTarget.h"

class QWidget;

namespace q4t {

class CQ4TForm;
struct SheetOptions;
struct SheetSource;

class SheetCommands : public docview::CommandTarget {
 public:
  // activeForm: the key layout view of the active window, null for none.
  SheetCommands(std::function<CQ4TForm*()> activeForm, std::function<QWidget*()> owner);

  // The date printed on the sheets; today unless a test fixes it.
  void setPrintedDate(QDate date) { printed_ = date; }

  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

 private:
  void print(const SheetSource& source, const SheetOptions& options);
  void preview(const SheetSource& source, const SheetOptions& options);
  void exportToFile(const SheetSource& source, const SheetOptions& options);

  std::function<CQ4TForm*()> activeForm_;
  std::function<QWidget*()> owner_;
  QDate printed_;
};

}  // namespace q4t
