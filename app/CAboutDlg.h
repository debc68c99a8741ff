#pragma once
#include <QDialog>
namespace q4t { class CAboutDlg : public QDialog { public: explicit CAboutDlg(QWidget* p) : QDialog(p) {} int DoModal() { return exec(); } }; }
