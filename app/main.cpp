#include <QApplication>

#include "app/CQ4TProgrammerApp.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  q4t::CQ4TProgrammerApp program;
  if (!program.initInstance(QApplication::arguments())) return 1;
  return QApplication::exec();
}
