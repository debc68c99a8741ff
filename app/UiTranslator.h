// The program's texts in the language of the user interface (QLocale()), from
// the compiled translation Q4TProgrammer_<language>.qm in the program's
// translations folder (its data files). Installed while it lives.
#pragma once

#include <QTranslator>

namespace q4t {

class UiTranslator : public QTranslator {
  Q_OBJECT
 public:
  explicit UiTranslator(QObject* parent = nullptr);
  ~UiTranslator() override;
};

}  // namespace q4t
