#include "link/RolloutStation.h"

#include "model/PathText.h"

namespace q4t {

namespace {

constexpr auto kAskEvery = std::chrono::seconds(1);
// A keyboard answers Connect within milliseconds; waiting less than the
// second of a transfer keeps the receive thread, and so the processor, idle
// for most of each second while a port waits for a keyboard.
constexpr std::chrono::milliseconds kNewKeyboardAnswers{250};
// Unplugged: not a word for as long as the link waits for any answer.
constexpr std::chrono::milliseconds kGoneAfter{kReplyTimeoutMs};
constexpr const char* kStoppedText = "ERROR: Stopped during the download";

double secondsSince(std::chrono::steady_clock::time_point started) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

}  // namespace

RolloutStation::RolloutStation(std::string port, const RolloutPlan& plan, StationHost& host, PortMaker makePort)
    : port_(std::move(port)), plan_(plan), host_(host), table_(plan.table), link_(*this, table_, shared_) {
  shared_.comPortName = port_;
  shared_.makePort = [this, makePort = std::move(makePort)] { return lastPort_ = makePort(); };
  LimitReplyWait(kGoneAfter);
}

RolloutStation::~RolloutStation() = default;

void RolloutStation::Run() {
  while (!host_.stopping()) {
    const std::optional<Answer> answer = WaitForKeyboard();
    if (!answer || !host_.takeKeyboard()) break;
    if (*answer == Answer::Connected) {
      Program();
    } else {
      // Answers, but refuses the greeting (busy): a keyboard that failed.
      Report({port_, "", firstError_, false, 0, ""}, Clock::now());
    }
    WaitUntilUnplugged();
  }
  link_.LeaveTransfer();
  link_.Abort();
}

std::optional<RolloutStation::Answer> RolloutStation::WaitForKeyboard() {
  while (!host_.stopping()) {
    const Clock::time_point asked = Clock::now();
    const Answer answer = Probe(kNewKeyboardAnswers);
    NotePort(answer != Answer::NoPort);
    if (answer == Answer::Connected || answer == Answer::Refused) return answer;
    Pause(asked + kAskEvery);
  }
  return std::nullopt;
}

// Gone once a Connect has gone unanswered for a second, or the port with it.
void RolloutStation::WaitUntilUnplugged() {
  while (!host_.stopping()) {
    const Clock::time_point asked = Clock::now();
    const Answer answer = Probe(kGoneAfter);
    if (answer == Answer::Silent || answer == Answer::NoPort) return;
    Pause(asked + kAskEvery);
  }
}

// One Connect, whose status texts nobody sees; the first request left
// unanswered for the silence ends it.
RolloutStation::Answer RolloutStation::Probe(std::chrono::milliseconds silence) {
  firstError_.clear();
  LimitReplyWait(silence);
  link_.PortChosen(port_);
  const bool opened = shared_.port != nullptr;
  const RunEnd end = opened ? RunLink(true) : RunEnd::Settled;
  LimitReplyWait(kGoneAfter);
  if (!opened) return Answer::NoPort;
  if (end != RunEnd::Settled) {
    link_.Abort();
    return Answer::Silent;
  }
  return link_.phase() == LinkPhase::Idle && firstError_.empty() ? Answer::Connected : Answer::Refused;
}

// Said once when the port cannot be opened, and once when it can again.
void RolloutStation::NotePort(bool opened) {
  if (opened == !portMissing_) return;
  portMissing_ = !opened;
  const std::string cause = lastPort_ ? lastPort_->LastError() : std::string();
  host_.portNote(port_, opened ? "port open again" : "cannot open " + cause + "; trying again every second");
}

void RolloutStation::Program() {
  const Clock::time_point started = Clock::now();
  ForgetReading();
  if (RunStep([this] { link_.ReadBeforeDownload(&plan_.store, plan_.tableFile); }) == RunEnd::Stopped)
    return;  // nothing was written
  if (!reading()) {
    const std::string cause = firstError_.empty() ? "ERROR: Transfer aborted" : firstError_;
    return Report({port_, "", cause + " (reading the keyboard's table; nothing was written)", false, 0, ""}, started);
  }
  KeyboardDone done{port_, reading()->serialNumber, "", false, 0, ""};
  if (!keptBefore().result) {
    done.result = "ERROR: the keyboard's table could not be kept: " + keptBefore().result.reason +
                  " (nothing was written)";
    return Report(done, started);
  }
  done.snapshotFile = pathText(keptBefore().path);
  if (RunStep([this] { link_.Download(); }) == RunEnd::Stopped) {
    done.result = kStoppedText;
  } else {
    done.result = firstError_.empty() ? lastStatus_ : firstError_;
    done.verified = firstError_.empty() && lastStatus_ == kVerifiedText;
  }
  Report(done, started);
}

void RolloutStation::Report(KeyboardDone done, Clock::time_point started) {
  done.seconds = secondsSince(started);
  host_.keyboardDone(done);
}

// A transfer to its end; one that is stopped takes the keyboard out of
// transfer mode as far as it still answers.
RolloutStation::RunEnd RolloutStation::RunStep(const std::function<void()>& start) {
  firstError_.clear();
  lastStatus_.clear();
  start();
  const RunEnd end = RunLink(false);
  if (end == RunEnd::Stopped) {
    link_.LeaveTransfer();
    link_.Abort();
  }
  return end;
}

// Until the link has nothing left to do, the host stops, or (silenceEnds) a
// request has gone unanswered for the timer's time.
RolloutStation::RunEnd RolloutStation::RunLink(bool silenceEnds) {
  return HeadlessWindow::Run(link_, {[this] { return host_.stopping(); }, Clock::time_point::max(), silenceEnds});
}

void RolloutStation::Pause(Clock::time_point until) {
  HeadlessWindow::Pause(until, [this] { return host_.stopping(); });
}

void RolloutStation::ShowStatus(const std::string& text) {
  if (firstError_.empty() && text.rfind("ERROR: ", 0) == 0) firstError_ = text;
  lastStatus_ = text;
}

// Said only while a transfer runs: a keyboard that leaves an idle port is the
// usual end of its turn.
void RolloutStation::DeviceWentAway() {
  if (link_.transferRunning()) host_.portNote(port_, "device went away");
}

void RolloutStation::WrittenKept(const SavedSnapshot& kept) {
  if (!kept.result) host_.portNote(port_, "warning: the table written could not be kept: " + kept.result.reason);
}

}  // namespace q4t
