#include "app/UiTranslator.h"

#include <QCoreApplication>
#include <QLocale>

#include "model/DataFiles.h"

namespace q4t {

UiTranslator::UiTranslator(QObject* parent) : QTranslator(parent) {
  const QString folder = QString::fromStdString(findDataFile("translations"));
  if (!folder.isEmpty() && load(QLocale(), QStringLiteral("Q4TProgrammer"), QStringLiteral("_"), folder))
    QCoreApplication::installTranslator(this);
}

UiTranslator::~UiTranslator() { QCoreApplication::removeTranslator(this); }

}  // namespace q4t
