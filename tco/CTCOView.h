// The TCO window's form: the counters, serial number, dates and device details
// a TCO read fetched from the keyboard, and the California driver licence
// switch. It keeps no data of its own; the licence click and the window's
// transfer, save and help commands go to the key layout view that opened it.
#pragma once

#include "docview/View.h"
#include "link/LinkShared.h"
#include "link/LinkWindow.h"
#include "model/CounterSheet.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace q4t {

class CTCOView : public docview::View, public TcoDisplay {
  Q_OBJECT
 public:
  explicit CTCOView(LinkShared& shared, QWidget* parent = nullptr);
  ~CTCOView() override;

  bool initialUpdate() override;

  // Read TCO, help, Download, Upload and Save: always enabled here, carried
  // out by the owner view. Copy copies the counter rows; Undo, Redo and
  // Paste are greyed.
  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

  void ShowCounters(const TcoCounterTable& counters) override;
  void SetSerialNumber(const std::string& text) override;
  void SetManufactureDate(const std::string& text) override;
  void SetProgrammingDate(const std::string& text) override;
  void SetDeviceDetails(const std::string& text) override;
  void SetCaliforniaLicense(bool on) override;

  // The labels the counter readings are exported with: the table the read came from.
  void setKeyLabels(const KeyTable& table) { labels_ = table; }
  // File > Export Counters... without its dialog; false, after a message, when the file could not be written.
  bool exportCounters(const QString& path);

  const QString& serialNumber() const { return serialNumber_; }
  QTreeWidget* counterList() const { return counterList_; }
  QCheckBox* licenseBox() const { return licenseBox_; }
  QLineEdit* serialNumberField() const { return serialNumberField_; }
  QLineEdit* manufactureDateField() const { return manufactureDateField_; }
  QLineEdit* programmingDateField() const { return programmingDateField_; }
  QPlainTextEdit* deviceDetailsField() const { return deviceDetailsField_; }

 signals:
  // Emitted while the view is being destroyed, so that whoever still hands
  // it TCO data (the owner's link) can forget it first.
  void displayDestroyed(const q4t::TcoDisplay* display);

 private:
  QLineEdit* addTextField(const QString& label, int groupY, int groupWidth, int groupHeight,
                          int fieldY);
  void setUpCounterList();
  void addCounterListMenu();
  void onLicenseClicked(bool checked);
  // The chosen rows, or all of them, as text.
  void copyCounterRows();

  LinkShared& shared_;
  QTreeWidget* counterList_ = nullptr;
  QCheckBox* licenseBox_ = nullptr;
  QPlainTextEdit* deviceDetailsField_ = nullptr;
  QLineEdit* programmingDateField_ = nullptr;
  QLineEdit* manufactureDateField_ = nullptr;
  QLineEdit* serialNumberField_ = nullptr;
  QString serialNumber_;
  CounterReadings readings_;
  bool countersRead_ = false;
  KeyTable labels_;
};

}  // namespace q4t
