#include "model/SnapshotStore.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "model/FileAccess.h"
#include "model/FileCalls.h"
#include "model/KeyTableText.h"
#include "model/PathText.h"
#include "model/TableDiff.h"

namespace q4t {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSourcePrefix = "; source file: ";
constexpr int kMostTablesInOneSecond = 1000;

// One line whatever the path holds: control characters and "\" escaped.
std::string commentText(const std::string& path) {
  std::string text;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, c == '\\' ? "\\\\" : "\\x%02x", byte);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

class Saving {
 public:
  explicit Saving(fs::path folder) : folder_(std::move(folder)) {}
  ~Saving() {
    if (fd_ >= 0) fileCalls().Close(fd_);
    if (!temporary_.empty()) fileCalls().Remove(temporary_.c_str());
  }
  Saving(const Saving&) = delete;
  Saving& operator=(const Saving&) = delete;

  FileResult createFolders() {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path p = folder_; !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
      missing.push_back(p);
      if (p == p.parent_path()) break;
    }
    for (auto p = missing.rbegin(); p != missing.rend(); ++p) {
      if (!fs::create_directory(*p, error) && error) return fileFailure(where() + "create folder: " + error.message());
      created_.push_back(*p);
    }
    if (!fs::is_directory(folder_, error)) return fileFailure(where() + "create folder: not a folder");
    return {};
  }

  FileResult writeTemporary(const std::string& bytes) {
    static std::atomic<unsigned> serial{0};
    temporary_ = pathText(folder_ / (".keeping-" + std::to_string(::getpid()) + "-" + std::to_string(serial++)));
    FileCalls& calls = fileCalls();
    fd_ = calls.Open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      temporary_.clear();
      return stepFailure("create");
    }
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = calls.Write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return stepFailure("write");
      done += static_cast<std::size_t>(n);
    }
    if (calls.Sync(fd_) != 0) return stepFailure("sync");
    const int fd = fd_;
    fd_ = -1;
    if (calls.Close(fd) != 0) return stepFailure("close");
    return {};
  }

  // A second name for the written file, which fails rather than replace one.
  FileResult giveName(SnapshotName name, fs::path& path) {
    for (int tries = 0; tries < kMostTablesInOneSecond; ++tries, ++name.sequence) {
      path = folder_ / snapshotFileName(name);
      if (fileCalls().Link(temporary_.c_str(), pathText(path).c_str()) == 0) return {};
      if (errno != EEXIST) return stepFailure("link");
    }
    return fileFailure(where() + "link: too many tables in one second");
  }

  // The new name's entry, and those of folders made for it, on the disk.
  FileResult syncFolders() {
    std::vector<fs::path> folders = {folder_};
    for (const fs::path& made : created_) folders.push_back(made.parent_path());
    for (const fs::path& folder : folders)
      if (fileCalls().SyncFolder(pathText(folder).c_str()) != 0) return stepFailure("sync folder");
    return {};
  }

 private:
  std::string where() const { return pathText(folder_) + ": "; }
  FileResult stepFailure(const char* step) const {
    return fileFailure(where() + step + ": " + std::error_code(errno, std::generic_category()).message());
  }

  fs::path folder_;
  std::vector<fs::path> created_;
  std::string temporary_;
  int fd_ = -1;
};

// The number of this second that keeps the names in the order the tables
// were taken: a written table shares the number of the table kept before it
// in the same second, so the two files read as a pair; any other gets one
// more than the highest.
int nextSequence(const fs::path& folder, const std::string& stamp, SnapshotKind kind) {
  int highest = 0;
  bool highestWritten = false;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const auto name = parseSnapshotFileName(it->path().filename().string());
    if (!name || name->stamp != stamp || name->sequence < highest) continue;
    highestWritten = (name->sequence == highest && highestWritten) || name->kind == SnapshotKind::Written;
    highest = name->sequence;
  }
  const bool pairsWithBefore = kind == SnapshotKind::Written && highest > 0 && !highestWritten;
  return pairsWithBefore ? highest : highest + 1;
}

// The kept tables of one folder by their names, oldest first.
std::vector<SnapshotInfo> namedSnapshots(const fs::path& folder) {
  std::vector<SnapshotInfo> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (const auto name = parseSnapshotFileName(it->path().filename().string()))
      found.push_back({it->path(), *name, {}, {}, -1});
  }
  std::sort(found.begin(), found.end(),
            [](const SnapshotInfo& a, const SnapshotInfo& b) { return takenBefore(a.name, b.name); });
  return found;
}

}  // namespace

SnapshotStore::SnapshotStore(fs::path root) : root_(std::move(root)) {}

fs::path SnapshotStore::folderOf(std::string_view serial) const { return root_ / serialFolderName(serial); }

SavedSnapshot SnapshotStore::save(std::string_view serial, SnapshotKind kind, const KeyTable& table,
                                  std::time_t when, const std::string& sourceFile) const {
  const fs::path folder = folderOf(serial);
  std::string bytes;
  if (FileResult formatted = mergeKeyTable("", table, bytes); !formatted) return {formatted, {}};
  if (!sourceFile.empty()) bytes.insert(0, std::string(kSourcePrefix) + commentText(sourceFile) + "\n");
  Saving saving(folder);
  SavedSnapshot saved;
  const std::string stamp = snapshotStamp(when);
  if (!(saved.result = saving.createFolders())) return saved;
  if (!(saved.result = saving.writeTemporary(bytes))) return saved;
  if (!(saved.result = saving.giveName({stamp, nextSequence(folder, stamp, kind), kind}, saved.path))) return saved;
  saved.result = saving.syncFolders();
  return saved;
}

std::vector<KeyboardFolder> SnapshotStore::keyboards() const {
  std::vector<KeyboardFolder> found;
  std::error_code error;
  for (fs::directory_iterator it(root_, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    const auto serial = serialOfFolder(it->path().filename().string());
    if (serial && it->is_directory(typeError)) found.push_back({*serial, it->path()});
  }
  std::sort(found.begin(), found.end(),
            [](const KeyboardFolder& a, const KeyboardFolder& b) { return a.folder < b.folder; });
  return found;
}

std::vector<SnapshotInfo> SnapshotStore::snapshots(std::string_view serial) const {
  std::vector<SnapshotInfo> found = listSnapshots(serial);
  SnapshotReader reader;
  for (SnapshotInfo& info : found) reader.read(info);
  return found;
}

std::vector<SnapshotInfo> SnapshotStore::listSnapshots(std::string_view serial) const {
  return namedSnapshots(folderOf(serial));
}

void SnapshotReader::read(SnapshotInfo& info) {
  std::string bytes;
  KeyTable current;
  info.readable = readRegularFile(pathText(info.path), bytes);
  if (info.readable) info.readable = parseKeyTable(bytes, current);
  if (!info.readable) return;
  info.sourceFile = sourceFileOf(bytes);
  if (havePrevious_) info.keysChanged = static_cast<int>(diffTables(previous_, current).keys.size());
  previous_ = std::move(current);
  havePrevious_ = true;
}

std::optional<fs::path> SnapshotStore::latestWritten(std::string_view serial) const {
  std::optional<fs::path> latest;
  for (const SnapshotInfo& info : namedSnapshots(folderOf(serial)))
    if (info.name.kind == SnapshotKind::Written) latest = info.path;
  return latest;
}

std::string sourceFileOf(const std::string& bytes) {
  if (!bytes.starts_with(kSourcePrefix)) return {};
  const std::size_t end = bytes.find('\n');
  return bytes.substr(kSourcePrefix.size(), end == std::string::npos ? std::string::npos : end - kSourcePrefix.size());
}

}  // namespace q4t
