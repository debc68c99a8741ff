// The TCO form: counter list, copying readings, fields, licence box and the
// forwarded commands.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <set>
#include <vector>

#include "ui/CommandIds.h"
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

}  // namespace

class TcoViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    shared_ = std::make_unique<q4t::LinkShared>();
    view_ = std::make_unique<q4t::CTCOView>(*shared_);
  }

  void initialUpdateTitlesDocumentClearsOwnerAndSetsColumns() {
    QMdiArea area;
    docview::DocTemplate docTemplate(area, QStringLiteral("TCO"), {}, nullptr);
    docview::Document document(docTemplate);
    document.addView(view_.get());
    FakeOwner owner;
    shared_->tcoOwnerForm = &owner;
    QVERIFY(view_->initialUpdate());
    QCOMPARE(document.title(), QStringLiteral("TCO functions"));
    QVERIFY(shared_->tcoOwnerForm == nullptr);
    const QTreeWidgetItem* header = view_->counterList()->headerItem();
    QCOMPARE(header->text(0) + "|" + header->text(1) + "|" + header->text(2),
             QStringLiteral("Counter|Key Location|Value"));
    QCOMPARE(view_->counterList()->columnWidth(0), 50);
    QCOMPARE(view_->counterList()->columnWidth(1), 120);
    QCOMPARE(view_->counterList()->columnWidth(2), 100);
    document.removeView(view_.get());
  }

  void showCountersNamesFixedCountersAndOwnersAndRebuilds() {
    view_->initialUpdate();
    q4t::TcoCounterTable counters{};
    counters[0].ownerKey = 17;  // fixed counters ignore their owner
    counters[6].ownerKey = 0;
    counters[7].ownerKey = 17;
    counters[8].ownerKey = 200;
    counters[2].count = static_cast<std::int32_t>(0x80000005u);
    view_->ShowCounters(counters);
    view_->ShowCounters(counters);

    const QTreeWidget* list = view_->counterList();
    QCOMPARE(list->topLevelItemCount(), 30);
    QStringList locations;
    for (int counter = 0; counter < 30; ++counter) {
      QCOMPARE(list->topLevelItem(counter)->text(0), QString::number(counter));
      if (counter < 10) locations << list->topLevelItem(counter)->text(1);
    }
    QCOMPARE(locations.join('|'), QStringLiteral("All keys|Minutes|MSR good read|MSR bad read|"
                                                 "Keylock changes|MSR total read|0|17|200|not used"));
    QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("-2147483643"));
    QCOMPARE(list->topLevelItem(29)->text(1), QStringLiteral("not used"));
  }

  void counterListMenuCopiesChosenRowsOrAllInListOrder() {
    view_->initialUpdate();
    q4t::TcoCounterTable counters{};
    for (auto& slot : counters) slot.ownerKey = 144;
    counters[1].count = 4711;
    counters[7].ownerKey = 17;
    counters[7].count = -3;
    view_->ShowCounters(counters);
    QTreeWidget* list = view_->counterList();
    QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    QAction* copy = nullptr;
    QAction* selectAll = nullptr;
    for (QAction* action : list->actions()) {
      if (action->text() == "&Copy") copy = action;
      if (action->text() == "Select &All") selectAll = action;
    }
    QVERIFY(copy && selectAll);

    list->topLevelItem(7)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    QApplication::clipboard()->clear();
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("Counter\tKey Location\tValue\n1\tMinutes\t4711\n7\t17\t-3\n"));

    list->clearSelection();
    copy->trigger();
    QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 31);
    QCOMPARE(lines.at(30), QStringLiteral("29\tnot used\t0"));
    selectAll->trigger();
    QCOMPARE(list->selectedItems().size(), 30);
  }

  void settersReplaceTheFieldsTexts() {
    view_->SetSerialNumber("first");
    view_->SetSerialNumber("A1234567\xC4");  // every byte stays one character
    QCOMPARE(view_->serialNumber(), QStringLiteral("A1234567\u00C4"));
    QCOMPARE(view_->serialNumberField()->text(), view_->serialNumber());
    QCOMPARE(view_->serialNumberField()->cursorPosition(), 0);  // shown from its start
    view_->SetManufactureDate("20010203");
    view_->SetProgrammingDate("20240531");
    QCOMPARE(view_->manufactureDateField()->text(), QStringLiteral("20010203"));
    QCOMPARE(view_->programmingDateField()->text(), QStringLiteral("20240531"));

    view_->SetDeviceDetails("old");
    view_->SetDeviceDetails("Q4T rev 2\r\nFirmware 1.7\nMSR");
    const QTextDocument* details = view_->deviceDetailsField()->document();
    QCOMPARE(details->blockCount(), 3);
    QCOMPARE(details->firstBlock().text(), QStringLiteral("Q4T rev 2"));
  }

  void licenseBoxPostsOnlyUserClicksToAnOwner() {
    view_->show();
    QCheckBox* box = view_->licenseBox();
    QTest::mouseClick(box, Qt::LeftButton);  // no owner: toggles, posts nothing
    QVERIFY(box->isChecked());

    FakeOwner owner;
    shared_->tcoOwnerForm = &owner;
    view_->SetCaliforniaLicense(false);
    view_->SetCaliforniaLicense(true);
    QVERIFY(box->isChecked());
    QVERIFY(owner.posts.empty());

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(owner.posts.size(), std::size_t{2});
    QCOMPARE(static_cast<int>(owner.posts[0].message.event), 1029);
    QCOMPARE(owner.posts[0].message.first, 0);
    QCOMPARE(owner.posts[1].message.first, 1);
    QCOMPARE(owner.posts[1].message.second, 0);
  }

  void fiveCommandsAreEnabledAndGoToAnOwnerThatAllowsThem() {
    const std::vector<int> forwarded = {q4t::cmd::kReadTco, q4t::cmd::kHelpDevIzured,
                                        q4t::cmd::kDownload, q4t::cmd::kUpload,
                                        q4t::cmd::kFileSave};
    for (int id : forwarded) {
      QVERIFY(view_->commandState(id) && view_->commandState(id)->enabled);
      view_->runCommand(id);  // no owner: nothing happens
    }
    QVERIFY(!view_->commandState(q4t::cmd::kPort));

    FakeOwner owner;
    owner.disabled = {q4t::cmd::kDownload};  // a transfer is running there
    shared_->tcoOwnerForm = &owner;
    for (int id : forwarded) view_->runCommand(id);
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
