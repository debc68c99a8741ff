#include <QApplication>

#include "app/CQ4TProgrammerApp.h"
#include "link/LinkShared.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QApplication::setApplicationName(QStringLiteral("Dev Izured for Q4T Keyboard"));
  QApplication::setApplicationDisplayName(QStringLiteral("Dev Izured for Q4T Keyboard"));
  QApplication::setApplicationVersion(QStringLiteral(Q4T_VERSION_TEXT));
  q4t::CQ4TProgrammerApp program(q4t::ProcessLinkShared());
  if (!program.initInstance(QApplication::arguments())) return 1;
  return QApplication::exec();
}
