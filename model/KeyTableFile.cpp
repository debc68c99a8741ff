#include "model/KeyTableFile.h"

#include <filesystem>
#include <system_error>

#include "model/FileAccess.h"
#include "model/KeyTableText.h"
#include "model/PathText.h"

namespace q4t {

namespace {
constexpr const char* kDefaultTableName = "DefTable.q4t";
}  // namespace

FileResult readKeyTable(const std::string& path, KeyTable& table, FileContent* content) {
  std::string bytes;
  const FileResult read = readRegularFile(path, bytes);
  if (content != nullptr) *content = read ? FileContent(bytes) : std::nullopt;
  if (!read) {
    parseKeyTable("", table);  // the defaults of a missing file
    return read;
  }
  return parseKeyTable(bytes, table);
}

FileResult writeKeyTable(const std::string& path, const KeyTable& table, FileContent* content) {
  std::string oldBytes;
  std::error_code error;
  if (std::filesystem::exists(path, error)) {
    if (FileResult read = readRegularFile(path, oldBytes); !read) return fileFailure("read: " + read.reason);
  }
  std::string newBytes;
  if (FileResult merged = mergeKeyTable(oldBytes, table, newBytes); !merged) return merged;
  const FileResult written = replaceFileContents(path, newBytes);
  if (written && content != nullptr) *content = std::move(newBytes);
  return written;
}

std::string defaultTablePath() {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  return pathText(directory / kDefaultTableName);
}

std::string newTablePath(const std::filesystem::path& programDir) {
  const std::string current = defaultTablePath();
  std::error_code error;
  if (std::filesystem::exists(current, error)) return current;
  const std::string installed = findDataFile(kDefaultTableName, programDir);
  return installed.empty() ? current : installed;
}

bool needsNewName(const std::string& path) {
  return path.find(kDefaultTableName) != std::string::npos;
}

}  // namespace q4t
