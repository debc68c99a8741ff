#include "app/SheetCommands.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "docview/Document.h"
#include "editor/CQ4TForm.h"
#include "print/SheetDialog.h"
#include "print/SheetFiles.h"
#include "ui/CommandIds.h"
#include "ui/ProgramMessage.h"

namespace q4t {

SheetCommands::SheetCommands(std::function<CQ4TForm*()> activeForm, std::function<QWidget*()> owner)
    : activeForm_(std::move(activeForm)), owner_(std::move(owner)) {}

std::optional<docview::CommandState> SheetCommands::commandState(int id) const {
  if (id != cmd::kFilePrint && id != cmd::kFilePrintPreview && id != cmd::kFileExport) return std::nullopt;
  return docview::CommandState{activeForm_() != nullptr};
}

void SheetCommands::runCommand(int id) {
  CQ4TForm* form = activeForm_();
  if (!form || !commandState(id)) return;
  SheetDialog dialog(form->table(), owner_());
  if (dialog.exec() != QDialog::Accepted) return;
  const SheetSource source{form->table(), form->document()->title(),
                           printed_.isValid() ? printed_ : QDate::currentDate()};
  if (id == cmd::kFilePrint) print(source, dialog.options());
  if (id == cmd::kFilePrintPreview) preview(source, dialog.options());
  if (id == cmd::kFileExport) exportToFile(source, dialog.options());
}

void SheetCommands::print(const SheetSource& source, const SheetOptions& options) {
  QPrinter printer(QPrinter::HighResolution);
  prepareSheetPrinter(printer, options);
  QPrintDialog dialog(&printer, owner_());
  if (dialog.exec() == QDialog::Accepted) printSheet(printer, source, options);
}

void SheetCommands::preview(const SheetSource& source, const SheetOptions& options) {
  QPrinter printer(QPrinter::HighResolution);
  prepareSheetPrinter(printer, options);
  QPrintPreviewDialog dialog(&printer, owner_());
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&](QPrinter* shown) { printSheet(*shown, source, options); });
  dialog.exec();
}

void SheetCommands::exportToFile(const SheetSource& source, const SheetOptions& options) {
  const QString pdf = QObject::tr("PDF (*.pdf)"), svg = QObject::tr("SVG (*.svg)"), png = QObject::tr("PNG (*.png)");
  const QString suggested = QFileInfo(source.title).completeBaseName() +
                            (options.kind == SheetKind::Legends ? QStringLiteral("-legends.pdf")
                                                                : QStringLiteral("-layout.pdf"));
  QString filter = pdf;
  QString path = QFileDialog::getSaveFileName(owner_(), QObject::tr("Export"), suggested,
                                              QStringList{pdf, svg, png}.join(QStringLiteral(";;")), &filter);
  if (path.isEmpty()) return;
  // A name typed without a suffix takes the chosen file type's.
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + filter.section(QLatin1String("*."), 1).chopped(1);
  QString reason;
  if (!exportSheet(path, source, options, reason)) {
    showProgramMessage(owner_(), QMessageBox::Warning,
                       QObject::tr("The sheet could not be written to %1:\n%2").arg(path, reason));
  }
}

}  // namespace q4t
