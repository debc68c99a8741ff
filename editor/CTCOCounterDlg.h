// The modal dialog in which the user attaches a TCO counter to a key: one
// position inside the key (the actuation point) and a counter number 6 to 29.
// It offers the free counters and checks the entry; it changes no table.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

class QButtonGroup;
class QComboBox;
class QPushButton;

namespace q4t {

class CTCOCounterDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CTCOCounterDlg(QWidget* parent = nullptr);

  // Shows the points of `keyShape` and the free counters and runs the
  // dialog: 1 after OK, 2 after Cancel or Esc, -1 when the dialog cannot be
  // opened because it is open already.
  int DoModal();

  // The counter number in `counterText` by the leading-integer rule.
  int counterNumber() const;

  // Entry i is the key owning counter i + 6; above 92 the counter is free.
  // All free after construction.
  std::array<std::int32_t, 24> counterOwners;
  // 0 for none yet, else the KeyPosition value of the chosen point.
  std::uint8_t selectedPoint = 0;
  // The KeySize of the key served.
  std::uint16_t keyShape = 0;
  QString counterText;

 public slots:
  // Checks point, counter text and counter range in this order; stays open
  // with a message at the first failure.
  void accept() override;

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  void addPointButton(int id, int position, const QString& accessibleName, int x, int y);
  void showPointsOfShape();
  void fillFreeCounters();
  void tell(const QString& message);

  QPushButton* ok_ = nullptr;
  // The point buttons by KeyPosition value; the checked one is the chosen
  // point and shows as a red square.
  QButtonGroup* points_ = nullptr;
  QComboBox* counterBox_ = nullptr;
};

}  // namespace q4t
