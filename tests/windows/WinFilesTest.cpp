// Files on Windows: the atomic save, refusals with the system's reason and
// nothing written, UTF-16 names, and the store of kept tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <windows.h>

#include "model/FileAccess.h"
#include "model/KeyTableFile.h"
#include "model/PathText.h"
#include "model/RolloutLog.h"
#include "model/SnapshotStore.h"
#include "model/WinSystemText.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;

class WinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("q4t-win-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override {
    for (const auto& entry : fs::directory_iterator(folder)) SetFileAttributesW(entry.path().c_str(), 0);
    fs::remove_all(folder);
  }
  std::string path(const std::string& name) const { return pathText(folder) + "\\" + name; }
  std::string contentOf(const std::string& name) const {
    std::string bytes;
    readRegularFile(path(name), bytes);
    return bytes;
  }
  std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})); }

  fs::path folder;
};

TEST_F(WinFiles, SaveReplacesTheOldFileWholeAndLeavesNothingBeside) {
  ASSERT_TRUE(replaceFileContents(path("t.q4t"), "old"));
  ASSERT_TRUE(replaceFileContents(path("t.q4t"), "new content"));
  EXPECT_EQ(contentOf("t.q4t"), "new content");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(WinFiles, ASavedHardLinkedFileStaysOneFileUnderBothNames) {
  ASSERT_TRUE(replaceFileContents(path("t.q4t"), "old"));
  ASSERT_TRUE(CreateHardLinkW(pathOf(path("same.q4t")).c_str(), pathOf(path("t.q4t")).c_str(), nullptr));
  ASSERT_TRUE(replaceFileContents(path("t.q4t"), "new and longer"));
  EXPECT_EQ(contentOf("same.q4t"), "new and longer");
  ASSERT_TRUE(replaceFileContents(path("same.q4t"), "short"));
  EXPECT_EQ(contentOf("t.q4t"), "short");
  EXPECT_EQ(entries(), 2u) << "no temporary left";
}

TEST_F(WinFiles, NamesInAnyLanguageAreKept) {
  const std::string name = "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8D\xB0.q4t";
  ASSERT_TRUE(replaceFileContents(path(name), "x"));
  EXPECT_TRUE(fs::exists(folder / fs::path(wideFromUtf8(name))));
  EXPECT_EQ(contentOf(name), "x");
}

TEST_F(WinFiles, ReadOnlyLockedAndRefusedNamesFailWithTheSystemsReason) {
  ASSERT_TRUE(replaceFileContents(path("ro.q4t"), "kept"));
  SetFileAttributesW(pathOf(path("ro.q4t")).c_str(), FILE_ATTRIBUTE_READONLY);
  FileResult saved = replaceFileContents(path("ro.q4t"), "lost");
  EXPECT_FALSE(saved);
  EXPECT_EQ(saved.reason, systemMessage(ERROR_ACCESS_DENIED));
  EXPECT_EQ(contentOf("ro.q4t"), "kept");

  ASSERT_TRUE(replaceFileContents(path("locked.q4t"), "kept"));
  const HANDLE holder = CreateFileW(pathOf(path("locked.q4t")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  saved = replaceFileContents(path("locked.q4t"), "lost");
  std::string read;
  const FileResult readLocked = readRegularFile(path("locked.q4t"), read);
  CloseHandle(holder);
  EXPECT_FALSE(saved);
  EXPECT_EQ(saved.reason.rfind("rename: ", 0), 0u) << saved.reason;
  EXPECT_GT(saved.reason.size(), 10u) << "the system's words follow";
  EXPECT_FALSE(readLocked);
  EXPECT_EQ(contentOf("locked.q4t"), "kept");
  EXPECT_EQ(entries(), 2u) << "no temporary file left";

  const std::string tooLong = path(std::string(300, 'x') + ".q4t");
  const struct {
    std::string path;
    unsigned long error;
  } refused[] = {{path("a<b.q4t"), ERROR_INVALID_NAME}, {path("NUL.q4t"), ERROR_INVALID_NAME},
                 {tooLong, ERROR_FILENAME_EXCED_RANGE}};
  for (const auto& r : refused) {
    saved = replaceFileContents(r.path, "x");
    EXPECT_FALSE(saved);
    EXPECT_EQ(saved.reason, systemMessage(r.error));
    EXPECT_FALSE(readRegularFile(r.path, read));
  }
  EXPECT_EQ(entries(), 2u);
}

TEST_F(WinFiles, FoldersAndDevicesAreNoKeyTables) {
  std::string bytes;
  EXPECT_EQ(readRegularFile(pathText(folder), bytes).reason, "not a regular file");
  EXPECT_EQ(replaceFileContents(pathText(folder), "x").reason, "not a regular file");
}

TEST_F(WinFiles, KeptTablesGetNamesOfTheirOwnInTheStore) {
  const SnapshotStore store(folder / "keyboards");
  KeyTable table;
  ASSERT_TRUE(readKeyTable(std::string(std::getenv("Q4T_SOURCE_DIR")) + "/DefTable.q4t", table));
  const SavedSnapshot first = store.save("A1", SnapshotKind::Before, table, 1700000000);
  const SavedSnapshot second = store.save("A1", SnapshotKind::Before, table, 1700000000);
  ASSERT_TRUE(first.result) << first.result.reason;
  ASSERT_TRUE(second.result) << second.result.reason;
  EXPECT_NE(first.path, second.path);
  const std::vector<SnapshotInfo> kept = store.snapshots("A1");
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_TRUE(kept[0].readable);
  EXPECT_EQ(std::distance(fs::directory_iterator(store.folderOf("A1")), {}), 2) << "no temporary left";
}

// A second roll-out is refused the log the first writes to, which stays readable.
TEST_F(WinFiles, ARolloutLogIsWrittenByOneRolloutAndReadableByAll) {
  auto first = std::make_unique<RolloutLog>();
  RolloutLog second;
  ASSERT_TRUE(first->open(path("log.csv")));
  ASSERT_TRUE(first->append({1700000000, "COM3", "A-01", "t.q4t", "ab", "OK", 1.5, ""}));
  EXPECT_EQ(second.open(path("log.csv")).reason, "another roll-out writes to it");
  const std::string logged = contentOf("log.csv");
  EXPECT_TRUE(logged.starts_with(std::string(kRolloutLogHeader) + "\r\n")) << logged;
  EXPECT_NE(logged.find(",COM3,A-01,t.q4t,ab,OK,1.50,\r\n"), std::string::npos) << logged;
  first.reset();
  EXPECT_TRUE(second.open(path("log.csv"))) << "free once the first is closed";
}

TEST(WinPlaces, KeptTablesLiveInTheLocalApplicationData) {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(defaultSnapshotRoot(), fs::path(local) / "q4t-programmer" / "keyboards");
}

}  // namespace
}  // namespace q4t
