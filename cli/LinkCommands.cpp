#include "cli/LinkCommands.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "cli/CliWindow.h"
#include "cli/DiffCommand.h"
#include "cli/TcoReport.h"
#include "link/SystemSerialPort.h"
#include "model/CounterSheet.h"
#include "model/FileAccess.h"
#include "model/KeptLabels.h"
#include "model/KeyTableFile.h"
#include "model/KeyboardLimits.h"
#include "model/LabelRules.h"
#include "model/PathText.h"

namespace q4t {

namespace {

constexpr int kLinkError = 1;
constexpr int kUsageError = 2;
constexpr int kSignalExitBase = 128;  // the shell's status for a command ended by signal n: 128 + n
constexpr int kMaxTimeoutSeconds = 7 * 24 * 3600;

struct Options {
  std::string port;
  std::string base = newTablePath();
  int timeoutSeconds = 60;
  bool json = false;
  bool csv = false;
  bool dryRun = false;
  bool noSnapshot = false;
  std::vector<std::string> positional;
};

int usage(const std::string& message) {
  std::fprintf(stderr, "q4t: %s\n", message.c_str());
  return kUsageError;
}

// A whole number of seconds from 1 to a week; 0 for anything else.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--csv") {
      options.csv = true;
    } else if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--no-snapshot") {
      options.noSnapshot = true;
    } else if (arg == "--port" || arg == "--base" || arg == "--timeout") {
      if (!hasValue) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (arg == "--port") options.port = portArgument(value);
      if (arg == "--base") options.base = value;
      if (arg == "--timeout") {
        options.timeoutSeconds = parseWholeNumber(value, kMaxTimeoutSeconds);
        if (options.timeoutSeconds == 0) {
          error = "--timeout needs a whole number of seconds from 1 to " + std::to_string(kMaxTimeoutSeconds);
          return std::nullopt;
        }
      }
    } else if (arg.rfind("--", 0) == 0) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      options.positional.push_back(arg);
    }
  }
  if (options.port.empty()) error = "--port NAME is required";
  return error.empty() ? std::optional<Options>(options) : std::nullopt;
}

// Reads a table given on the command line; a file that is no key table is refused.
bool readTableArgument(const std::string& path, KeyTable& table) {
  const FileResult read = readKeyTable(path, table);
  if (!read) std::fprintf(stderr, "q4t: %s: %s\n", path.c_str(), read.reason.c_str());
  return read.ok;
}

// Refused before the port is taken: an output that exists but is no key
// table (a folder, a FIFO, a note); an empty file holds nothing to lose.
bool writableTarget(const std::string& path) {
  if (const FileResult name = usableFileName(path); !name) {
    std::fprintf(stderr, "q4t: %s: %s\n", path.c_str(), name.reason.c_str());
    return false;
  }
  std::error_code error;
  const auto type = std::filesystem::status(pathOf(path), error).type();
  if (type == std::filesystem::file_type::not_found) return true;
  if (type != std::filesystem::file_type::regular) {
    std::fprintf(stderr, "q4t: %s: not a regular file\n", path.c_str());
    return false;
  }
  KeyTable existing;
  return std::filesystem::file_size(pathOf(path), error) == 0 || readTableArgument(path, existing);
}

struct CliTcoView : TcoDisplay {
  void ShowCounters(const TcoCounterTable& table) override { reading.counters = table; }
  void SetSerialNumber(const std::string& text) override { reading.serialNumber = text; }
  void SetManufactureDate(const std::string& text) override { reading.manufactureDate = text; }
  void SetProgrammingDate(const std::string& text) override { reading.programmingDate = text; }
  void SetDeviceDetails(const std::string& text) override { reading.deviceDetails = text; }
  void SetCaliforniaLicense(bool on) override { reading.license = on ? "on" : "off"; }
  TcoReading reading;
};

class LinkSession {
 public:
  LinkSession(KeyTable& table, const Options& options)
      : window_(table), link_(window_, table, shared_),
        deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds)) {
    shared_.comPortName = options.port;
    shared_.makePort = [this] {
      lastPort_ = std::make_shared<CSerialPort>();
      return lastPort_->Create() ? lastPort_ : nullptr;
    };
  }

  // Runs a step of the link to its end; false when the command must stop.
  bool Step(const std::function<void()>& start) {
    start();
    const CliWindow::Outcome outcome = window_.Run(link_, deadline_);
    if (outcome == CliWindow::Outcome::Stalled) {
      std::fprintf(stderr, "ERROR: Transfer stalled\n");
      failed_ = true;
    }
    if (outcome == CliWindow::Outcome::Interrupted) interrupted_ = true;
    if (outcome != CliWindow::Outcome::Done) {
      link_.LeaveTransfer();  // a keyboard that still answers leaves transfer mode
      link_.Abort();
    }
    if (lastPort_ && !lastPort_->LastError().empty() && !shared_.port) {
      std::fprintf(stderr, "q4t: cannot open %s\n", lastPort_->LastError().c_str());
      if (lastPort_->LastOpenDenied()) std::fprintf(stderr, "q4t: %s\n", kDialoutHint);
      lastPort_.reset();
    }
    return outcome == CliWindow::Outcome::Done && !window_.errorShown();
  }

  bool Connect() {
    return Step([this] { link_.PortChosen(shared_.comPortName); });
  }

  int ExitStatus() const {
    if (interrupted_) return kSignalExitBase + InterruptSignal();
    return failed_ || window_.errorShown() ? kLinkError : 0;
  }

  KeyboardLink& link() { return link_; }
  CliWindow& window() { return window_; }

 private:
  LinkShared shared_;
  CliWindow window_;
  KeyboardLink link_;
  std::chrono::steady_clock::time_point deadline_;
  std::shared_ptr<CSerialPort> lastPort_;
  bool failed_ = false;
  bool interrupted_ = false;
};

int upload(const Options& options) {
  if (options.positional.size() != 1) return usage("upload takes one output file");
  const std::string& output = options.positional[0];
  KeyTable table;
  if (!readTableArgument(options.base, table) || !writableTarget(output)) return kUsageError;
  LinkSession session(table, options);
  if (session.Connect() && session.Step([&] { session.link().Upload(); })) {
    // An existing table keeps its labels on the keys the keyboard left as they were.
    if (KeyTable existing; readKeyTable(output, existing)) keepLabelsOfUnchangedKeys(existing, table);
    if (const auto kept = takeKeptLabels(SnapshotStore(), table))
      std::fprintf(stderr, "q4t: labels from the table written to the keyboard, kept in %s\n", pathText(kept->path).c_str());
    if (const FileResult written = writeKeyTable(output, table); !written) {
      std::fprintf(stderr, "q4t: cannot write %s: %s\n", output.c_str(), written.reason.c_str());
      return kLinkError;
    }
  }
  return session.ExitStatus();
}

int download(const Options& options) {
  if (options.positional.size() != 1) return usage("download takes one key table file");
  KeyTable table;
  if (!readTableArgument(options.positional[0], table)) return kUsageError;
  // Refused before the port is taken: the keyboard would hold something else.
  if (const std::vector<FieldProblem> problems = unholdableFields(table); !problems.empty()) {
    std::fprintf(stderr, "q4t: %s: %s\n", options.positional[0].c_str(), describeProblem(problems.front()).c_str());
    return kUsageError;
  }
  LinkSession session(table, options);
  if (!session.Connect()) return session.ExitStatus();
  if (options.noSnapshot && !options.dryRun) {
    session.Step([&] { session.link().Download(); });
    return session.ExitStatus();
  }
  const SnapshotStore store;
  const SnapshotStore* keeping = options.dryRun ? nullptr : &store;
  const std::string source = absolutePath(options.positional[0]);
  const bool read = session.Step([&] { session.link().ReadBeforeDownload(keeping, source); });
  const std::optional<KeyboardReading>& reading = session.window().reading();
  if (!read || !reading) {
    std::fprintf(stderr, "q4t: nothing was written: the keyboard's table could not be read\n");
    return std::max(session.ExitStatus(), kLinkError);
  }
  if (options.dryRun) {
    std::fputs(renderDiffText(diffTables(reading->table, table)).c_str(), stdout);
    return session.ExitStatus();
  }
  if (const SavedSnapshot& kept = session.window().keptBefore(); !kept.result) {
    std::fprintf(stderr, "q4t: nothing was written: the keyboard's table could not be kept: %s\n",
                 kept.result.reason.c_str());
    return kLinkError;
  }
  std::fprintf(stderr, "q4t: the keyboard's table is kept in %s\n", pathText(session.window().keptBefore().path).c_str());
  session.Step([&] { session.link().Download(); });
  return session.ExitStatus();
}

// The readings as text, JSON or CSV.
std::string report(const Options& options, const TcoReading& reading) {
  if (options.csv)
    return counterCsv({reading.serialNumber, reading.manufactureDate, reading.programmingDate, reading.counters});
  return options.json ? tcoJson(reading) : tcoText(reading);
}

int readTco(const Options& options, const std::string& licenseChoice) {
  KeyTable table;
  CliTcoView view;
  LinkSession session(table, options);
  if (!session.Connect() || !session.Step([&] { session.link().ReadTco(&view); }))
    return session.ExitStatus();
  if (!licenseChoice.empty()) {
    const int on = licenseChoice == "on" ? 1 : 0;
    session.Step([&] { session.window().PostToWindow({{LinkEvent::CaliforniaLicenseChanged, on, 0}, Frame{}, 0, 0}); });
  } else {
    std::fputs(report(options, view.reading).c_str(), stdout);
  }
  return session.ExitStatus();
}

}  // namespace

int parseWholeNumber(const std::string& text, int highest) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  const bool whole = error == std::errc() && end == text.data() + text.size();
  return whole && number > 0 && number <= highest ? number : 0;
}

std::string absolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(pathOf(path), error);
  return error ? path : pathText(absolute.lexically_normal());
}

// COM<n> stays a port name for the link; any other name is a device: a path
// with a "/" is taken from the current directory, a bare name from /dev.
std::string portArgument(const std::string& name) {
  if (IsComPortName(name) || name == "COM" || name.empty() || name.front() == '/') return name;
  if (name.find('/') == std::string::npos) return "/dev/" + name;
  return absolutePath(name);
}

bool isLinkCommand(const std::string& command) {
  return command == "connect" || command == "upload" || command == "download" ||
         command == "read-tco" || command == "license";
}

int runLinkCommand(const std::string& command, const std::vector<std::string>& args) {
  std::string error;
  const std::optional<Options> options = parseOptions(args, error);
  if (!options) return usage(error);
  if (command != "download" && (options->dryRun || options->noSnapshot))
    return usage("--dry-run and --no-snapshot are options of download");
  InstallInterruptHandler();
  if (command == "upload") return upload(*options);
  if (command == "download") return download(*options);
  if (options->csv && command != "read-tco") return usage("--csv is an option of read-tco");
  if (options->csv && options->json) return usage("--json and --csv exclude each other");
  if (command == "read-tco") {
    if (!options->positional.empty()) return usage("read-tco takes no file");
    return readTco(*options, "");
  }
  if (command == "license") {
    if (options->positional.size() != 1 || (options->positional[0] != "on" && options->positional[0] != "off"))
      return usage("license takes on or off");
    return readTco(*options, options->positional[0]);
  }
  if (!options->positional.empty()) return usage("connect takes no file");
  KeyTable table;
  LinkSession session(table, *options);
  session.Connect();
  return session.ExitStatus();
}

}  // namespace q4t
