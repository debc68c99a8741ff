// The modal dialog in which the user types a new code value for one key. It
// shows the key's actuation point and old value and checks the new value's
// range; it never touches the key table.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace q4t {

class CChangeKeyValueDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CChangeKeyValueDlg(QWidget* parent = nullptr);

  // Shows the members in their fields and runs the dialog: 1 after OK (the
  // members then hold the accepted numbers), 2 after Cancel or Esc, -1 when
  // the dialog cannot be opened because it is open already.
  int DoModal();

  // The new value's check as OK runs it: the number, or the message that
  // refuses the text and whether the warning icon comes with it.
  struct Reading {
    std::optional<std::int32_t> number;
    QString refusal;
    bool warning = false;
  };
  static Reading readNewValue(QStringView text);

  std::int32_t newValue = 0;
  std::int32_t actuationPoint = 0;
  std::int32_t oldValue = 0;

 public slots:
  // Reads the fields back in their fixed order; stays open at the first one
  // that fails, with that field's text selected.
  void accept() override;

 private:
  struct Range {
    std::int32_t lowest;
    std::int32_t highest;
  };

  void addLabel(const QString& text, int x, int y, int width);
  QLineEdit* addField(int id, const QString& accessibleName, int x, int y, bool readOnly);
  static Reading read(QStringView text, std::optional<Range> range);
  std::optional<std::int32_t> readField(QLineEdit* field, std::optional<Range> range);
  void refuse(QLineEdit* field, const QString& message, bool withIcon);

  QLineEdit* newValueField_ = nullptr;
  QLineEdit* actuationPointField_ = nullptr;
  QLineEdit* oldValueField_ = nullptr;
};

}  // namespace q4t
