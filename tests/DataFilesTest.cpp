#include <gtest/gtest.h>

#include <filesystem>

#include "model/DataFiles.h"
#include "model/KeyTableFile.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;
using testing::freshDirectory;
using testing::writeFile;

// A program's folder in an installed tree (usr/bin) or a build folder, and a
// current folder beside them; each test makes the files it needs.
class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    for (const char* folder : {"usr/bin", "usr/share/q4t-programmer/help", "build", "work"})
      fs::create_directories(root / folder);
    previous = fs::current_path();
    fs::current_path(root / "work");
  }
  void TearDown() override { fs::current_path(previous); }

  fs::path root;
  fs::path previous;
};

TEST_F(DataFiles, AnInstalledProgramFindsItsFilesInShareWhereverTheTreeLies) {
  writeFile(root / "usr/share/q4t-programmer/DefTable.q4t", "[0]\n");
  writeFile(root / "usr/share/q4t-programmer/help/Q4TProgrammer.qhc", "");
  EXPECT_EQ(findDataFile("DefTable.q4t", root / "usr/bin"), (root / "usr/share/q4t-programmer/DefTable.q4t").string());
  EXPECT_EQ(findDataFile("help/Q4TProgrammer.qhc", root / "usr/bin"),
            (root / "usr/share/q4t-programmer/help/Q4TProgrammer.qhc").string());
  EXPECT_EQ(findDataFile("help", root / "usr/bin"), (root / "usr/share/q4t-programmer/help").string());
}

TEST_F(DataFiles, ABuiltProgramFindsItsFilesBesideItTheInstalledOnesFirst) {
  writeFile(root / "build/DefTable.q4t", "[0]\n");
  EXPECT_EQ(findDataFile("DefTable.q4t", root / "build"), (root / "build/DefTable.q4t").string());
  writeFile(root / "usr/bin/DefTable.q4t", "[0]\n");
  writeFile(root / "usr/share/q4t-programmer/DefTable.q4t", "[0]\n");
  EXPECT_EQ(findDataFile("DefTable.q4t", root / "usr/bin"), (root / "usr/share/q4t-programmer/DefTable.q4t").string());
}

TEST_F(DataFiles, AMissingFileOrAnUnknownProgramFolderFindsNothing) {
  EXPECT_EQ(findDataFile("DefTable.q4t", root / "usr/bin"), "");
  EXPECT_EQ(findDataFile("help/Q4TProgrammer.qhc", root / "build"), "");
  writeFile(root / "usr/share/q4t-programmer/DefTable.q4t", "[0]\n");
  EXPECT_EQ(findDataFile("DefTable.q4t", fs::path()), "");
}

TEST_F(DataFiles, ThisTestProgramsFolderIsItsOwn) {
  EXPECT_TRUE(fs::is_regular_file(programDirectory() / "model_tests"));
}

TEST_F(DataFiles, NewTableComesFromTheCurrentFolderThenTheInstalledOne) {
  const std::string current = (fs::canonical(root / "work") / "DefTable.q4t").string();
  EXPECT_EQ(newTablePath(root / "usr/bin"), current);  // neither there: reads as all keys -1
  writeFile(root / "usr/share/q4t-programmer/DefTable.q4t", "[0]\n");
  EXPECT_EQ(newTablePath(root / "usr/bin"), (root / "usr/share/q4t-programmer/DefTable.q4t").string());
  writeFile(current, "[0]\n");
  EXPECT_EQ(newTablePath(root / "usr/bin"), current);
}

}  // namespace
}  // namespace q4t
