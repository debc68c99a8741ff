#include "link/Rollout.h"

#include <algorithm>
#include <ctime>

#include "link/SystemSerialPort.h"
#include "model/KeyboardLimits.h"
#include "model/Sha256.h"

namespace q4t {

namespace {

std::shared_ptr<PortDevice> serialPort() { return std::make_shared<CSerialPort>(); }

// As the link opens it: a path as it is, a name as COM<n>.
bool openPort(PortDevice& port, const std::string& name) {
  return name.front() == '/' ? port.OpenPath(name) : port.Open(PortNumberFromName(name));
}

}  // namespace

std::vector<std::uint8_t> downloadedBytes(const KeyTable& table) {
  std::vector<std::uint8_t> bytes;
  for (int k = 0; k < kKeyCount; ++k) {
    bytes.push_back(0x00);
    bytes.push_back(static_cast<std::uint8_t>(table.entry(k).value & 0xFF));
  }
  for (int k = 0; k < kKeyCount; k += 2) bytes.push_back(PackSizes(table.entry(k).size, table.entry(k + 1).size));
  const Frame owners = BuildOwnerTableWrite(table.counters());
  const std::size_t ownersAt = owners.size - 1 - area::TcoOwnerBytes;  // before the checksum
  bytes.insert(bytes.end(), owners.data() + ownersAt, owners.data() + ownersAt + area::TcoOwnerBytes);
  return bytes;
}

Rollout::Rollout(DoneListener onDone, NoteListener onNote) : onDone_(std::move(onDone)), onNote_(std::move(onNote)) {}

Rollout::~Rollout() { Stop(); }

FileResult Rollout::Start(const RolloutSettings& settings) {
  if (settings.ports.empty()) return fileFailure("no port given");
  for (auto port = settings.ports.begin(); port != settings.ports.end(); ++port)
    if (std::find(port + 1, settings.ports.end(), *port) != settings.ports.end())
      return fileFailure(*port + " is given twice");
  if (const std::vector<FieldProblem> problems = unholdableFields(settings.table); !problems.empty())
    return fileFailure(settings.tableFile + ": " + describeProblem(problems.front()));
  const PortMaker makePort = settings.makePort ? settings.makePort : PortMaker(serialPort);
  if (const FileResult ports = CheckPorts(settings.ports, makePort); !ports) return ports;
  if (const FileResult opened = log_.open(settings.logPath); !opened)
    return fileFailure("cannot write the log " + settings.logPath + ": " + opened.reason);

  plan_ = std::make_unique<RolloutPlan>(RolloutPlan{settings.table, settings.tableFile, SnapshotStore(settings.snapshotRoot)});
  tableSha256_ = sha256Hex(downloadedBytes(settings.table));
  count_ = settings.count;
  for (const std::string& port : settings.ports)
    stations_.push_back(std::make_unique<RolloutStation>(port, *plan_, *this, makePort));
  for (const auto& station : stations_) threads_.emplace_back(&RolloutStation::Run, station.get());
  return {};
}

// Each port once opened and closed again, so that a wrong name or a missing
// permission stops the roll-out before it starts.
FileResult Rollout::CheckPorts(const std::vector<std::string>& ports, const PortMaker& makePort) const {
  for (const std::string& name : ports) {
    const std::shared_ptr<PortDevice> port = makePort();
    if (!port || !openPort(*port, name))
      return fileFailure("cannot open " + (port ? port->LastError() : name) +
                         (port && port->LastOpenDenied() ? std::string("\n") + kDialoutHint : ""));
    port->Close();
  }
  return {};
}

void Rollout::Stop() {
  StopAll();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
  stations_.clear();
}

void Rollout::StopAll() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    finished_.notify_all();
  }
  for (const auto& station : stations_) station->Wake();
}

bool Rollout::WaitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, timeout, [this] { return stop_.load(); });
}

RolloutTotals Rollout::totals() const {
  std::lock_guard lock(mutex_);
  return totals_;
}

std::string Rollout::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool Rollout::takeKeyboard() {
  std::lock_guard lock(mutex_);
  if (stop_ || (count_ > 0 && taken_ >= count_)) return false;
  ++taken_;
  return true;
}

// Logged before it is reported; a log that cannot take the line stops the
// roll-out, since the keyboards after it would go unrecorded.
void Rollout::keyboardDone(const KeyboardDone& done) {
  bool stopNow = false;
  {
    std::lock_guard lock(mutex_);
    const RolloutEntry entry{std::time(nullptr), done.port, done.serialNumber, plan_->tableFile,
                             tableSha256_, done.result, done.seconds, done.snapshotFile};
    const FileResult logged = log_.append(entry);
    ++totals_.done;
    if (done.verified) ++totals_.verified;
    if (onDone_) onDone_(done);
    if (!logged) {
      failure_ = "cannot write the log " + log_.path() + ": " + logged.reason + "; the roll-out stops";
      if (onNote_) onNote_(done.port, failure_);
    }
    stopNow = !logged || (count_ > 0 && totals_.done >= count_);
  }
  if (stopNow) StopAll();
}

void Rollout::portNote(const std::string& port, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (onNote_) onNote_(port, text);
}

}  // namespace q4t
