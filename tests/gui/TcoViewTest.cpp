// The TCO form: counter list, fields, licence box and the forwarded commands.
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <set>
#include <vector>

#include "app/CommandIds.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "tco/CTCOView.h"

namespace {

// A key layout view as the TCO view sees it: a window to post to and a
// command target.
class FakeOwner : public q4t::LinkWindow, public docview::CommandTarget {
 public:
  std::vector<q4t::LinkPost> posts;
  std::vector<int> commandsRun;
  std::set<int> disabled;

  void PostToWindow(const q4t::LinkPost& post) override { posts.push_back(post); }
  bool StartTimer(int, int) override { return true; }
  void StopTimer(int) override {}
  void ShowStatus(const std::string&) override {}
  void Repaint() override {}
  void RefreshKeyTexts() override {}
  void RelayoutKeys() override {}
  void RefreshKeyStyles() override {}
  void RestoreChangedMarks() override {}
  void SetModified(bool) override {}
  void CloseTcoWindows() override {}

  std::optional<docview::CommandState> commandState(int id) const override {
    return docview::CommandState{!disabled.count(id), false};
  }
  void runCommand(int id) override { commandsRun.push_back(id); }
};

const std::vector<int> kForwarded = {q4t::cmd::kReadTco, q4t::cmd::kHelpDevIzured,
                                     q4t::cmd::kDownload, q4t::cmd::kUpload,
                                     q4t::cmd::kFileSave};

}  // namespace

class TcoViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    shared_ = std::make_unique<q4t::LinkShared>();
    view_ = std::make_unique<q4t::CTCOView>(*shared_);
    view_->initialUpdate();
  }

  void initialUpdateTitlesDocumentClearsOwnerAndSetsColumns() {
    QMdiArea area;
    docview::DocTemplate docTemplate(area, QStringLiteral("TCO"), {}, nullptr);
    docview::Document document(docTemplate);
    FakeOwner owner;
    shared_->tcoOwnerForm = &owner;
    document.addView(view_.get());
    QVERIFY(view_->initialUpdate());
    QCOMPARE(document.title(), QStringLiteral("TCO functions"));
    QVERIFY(shared_->tcoOwnerForm == nullptr);

    QTreeWidget* list = view_->counterList();
    QCOMPARE(list->columnCount(), 3);
    const QStringList titles = {"Counter", "Key Location", "Value"};
    const QList<int> widths = {50, 120, 100};
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(list->headerItem()->text(column), titles[column]);
      QCOMPARE(list->columnWidth(column), widths[column]);
    }
    QVERIFY(!list->isHeaderHidden());
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(view_->serialNumber().isEmpty());
    QVERIFY(!view_->licenseBox()->isChecked());
    document.removeView(view_.get());
  }

  void showCountersNamesFixedCountersAndOwnersAndRebuilds() {
    q4t::TcoCounterTable counters{};
    counters[0].ownerKey = 17;  // fixed counters ignore their owner
    counters[5].ownerKey = 144;
    counters[6].ownerKey = 0;
    counters[7].ownerKey = 17;
    counters[8].ownerKey = 200;
    counters[9].ownerKey = -1;
    counters[2].count = static_cast<std::int32_t>(0x80000005u);
    counters[29].count = 123456;
    view_->ShowCounters(counters);
    view_->ShowCounters(counters);

    QTreeWidget* list = view_->counterList();
    QCOMPARE(list->topLevelItemCount(), 30);
    const QStringList fixed = {"All keys", "Minutes", "MSR good read", "MSR bad read",
                               "Keylock changes", "MSR total read"};
    for (int counter = 0; counter < 30; ++counter) {
      QCOMPARE(list->topLevelItem(counter)->text(0), QString::number(counter));
      if (counter < 6) QCOMPARE(list->topLevelItem(counter)->text(1), fixed[counter]);
    }
    QCOMPARE(list->topLevelItem(6)->text(1), QStringLiteral("0"));
    QCOMPARE(list->topLevelItem(7)->text(1), QStringLiteral("17"));
    QCOMPARE(list->topLevelItem(8)->text(1), QStringLiteral("200"));
    QCOMPARE(list->topLevelItem(9)->text(1), QStringLiteral("-1"));
    QCOMPARE(list->topLevelItem(10)->text(1), QStringLiteral("not used"));
    QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("-2147483643"));
    QCOMPARE(list->topLevelItem(29)->text(2), QStringLiteral("123456"));
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("0"));
  }

  void settersReplaceTheFieldsTexts() {
    view_->SetSerialNumber("first");
    view_->SetSerialNumber("A1234567");
    QCOMPARE(view_->serialNumber(), QStringLiteral("A1234567"));
    QCOMPARE(view_->serialNumberField()->text(), QStringLiteral("A1234567"));
    view_->SetManufactureDate("20010203");
    QCOMPARE(view_->manufactureDateField()->text(), QStringLiteral("20010203"));
    view_->SetProgrammingDate("20240531");
    QCOMPARE(view_->programmingDateField()->text(), QStringLiteral("20240531"));

    view_->SetDeviceDetails("old");
    view_->SetDeviceDetails("Q4T rev 2\r\nFirmware 1.7\nMSR");
    const QTextDocument* details = view_->deviceDetailsField()->document();
    QCOMPARE(details->blockCount(), 3);
    QCOMPARE(details->findBlockByNumber(0).text(), QStringLiteral("Q4T rev 2"));
    QCOMPARE(details->findBlockByNumber(1).text(), QStringLiteral("Firmware 1.7"));
  }

  void licenseBoxPostsOnlyUserClicksToAnOwner() {
    view_->show();
    QCheckBox* box = view_->licenseBox();
    QTest::mouseClick(box, Qt::LeftButton);  // no owner: toggles, posts nothing
    QVERIFY(box->isChecked());

    FakeOwner owner;
    shared_->tcoOwnerForm = &owner;
    view_->SetCaliforniaLicense(false);
    QVERIFY(!box->isChecked());
    view_->SetCaliforniaLicense(true);
    QVERIFY(box->isChecked());
    QVERIFY(owner.posts.empty());

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(owner.posts.size(), std::size_t{2});
    QCOMPARE(owner.posts[0].message.event, q4t::LinkEvent::CaliforniaLicenseChanged);
    QCOMPARE(static_cast<int>(owner.posts[0].message.event), 1029);
    QCOMPARE(owner.posts[0].message.first, 0);
    QCOMPARE(owner.posts[1].message.first, 1);
    QCOMPARE(owner.posts[1].message.second, 0);
  }

  void fiveCommandsAreEnabledAndGoToAnEnabledOwner() {
    for (int id : kForwarded) {
      const auto state = view_->commandState(id);
      QVERIFY(state && state->enabled);
      view_->runCommand(id);  // no owner: nothing happens
    }
    QVERIFY(!view_->commandState(q4t::cmd::kPort));

    FakeOwner owner;
    owner.disabled = {q4t::cmd::kDownload};
    shared_->tcoOwnerForm = &owner;
    for (int id : kForwarded) view_->runCommand(id);
    view_->runCommand(q4t::cmd::kPort);
    const std::vector<int> expected = {q4t::cmd::kReadTco, q4t::cmd::kHelpDevIzured,
                                       q4t::cmd::kUpload, q4t::cmd::kFileSave};
    QCOMPARE(owner.commandsRun, expected);
  }

  void destructionIsAnnounced() {
    const q4t::TcoDisplay* display = view_.get();
    QSignalSpy spy(view_.get(), &q4t::CTCOView::displayDestroyed);
    view_.reset();
    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).value<const q4t::TcoDisplay*>() == display);
  }

 private:
  std::unique_ptr<q4t::LinkShared> shared_;
  std::unique_ptr<q4t::CTCOView> view_;
};

QTEST_MAIN(TcoViewTest)
#include "TcoViewTest.moc"
