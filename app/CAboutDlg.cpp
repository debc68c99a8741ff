#include "app/CAboutDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "docview/DialogButton.h"
#include "docview/DialogUnits.h"

namespace q4t {

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

void addText(QDialog* dialog, const QString& text, int x, int y, int width, int height) {
  auto* label = new QLabel(text, dialog);
  label->setTextFormat(Qt::PlainText);
  label->setAccessibleName(text);
  docview::placeControl(label, x, y, width, height);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(tr("About Dev izured for Q4T"));
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(172, 110));

  auto* logo = new QLabel(this);
  logo->setPixmap(QPixmap(QStringLiteral(":/resources/logo.png")));
  logo->setAccessibleName(tr("Q4T Programmer logo"));
  docview::placeControl(logo, 8, 71, 107, 32);
  logo->resize(logo->pixmap().size());  // the picture takes the logo's own size

  addText(this, tr("Dev izured for Q4T Version %1").arg(QStringLiteral(Q4T_VERSION_TEXT)), 8, 10, 117, 8);
  // The copyright line and the web address are longer than their boxes; they
  // run on to the right, where the box has nothing else on their lines.
  addText(this, tr("Copyright (C) 2026 Q4T Programmer developers"), 8, 25, 156, 8);
  docview::addDialogButton(*this, docview::kConfirmButtonId, tr("OK"), 115, 38, 50, 14);
  addText(this, tr("Q4T Programmer project"), 8, 41, 98, 8);
  addText(this, QStringLiteral("https://q4t-programmer.example.org"), 8, 56, 156, 8);
}

int CAboutDlg::DoModal() {
  return exec() == QDialog::Accepted ? kOk : kCancel;
}

}  // namespace q4t
