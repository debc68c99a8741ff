#include "app/UiTranslator.h"

#include <QCoreApplication>
#include <QLocale>

namespace q4t {

UiTranslator::UiTranslator(QObject* parent) : QTranslator(parent) {
  const QString programDir = QCoreApplication::applicationDirPath();
  const QStringList folders = {programDir, programDir + QLatin1String("/translations"),
                               programDir + QLatin1String("/../share/q4t-programmer/translations"),
                               QStringLiteral(Q4T_TRANSLATIONS_BUILD_DIR)};
  for (const QString& folder : folders) {
    if (load(QLocale(), QStringLiteral("Q4TProgrammer"), QStringLiteral("_"), folder)) {
      QCoreApplication::installTranslator(this);
      return;
    }
  }
}

UiTranslator::~UiTranslator() { QCoreApplication::removeTranslator(this); }

}  // namespace q4t
