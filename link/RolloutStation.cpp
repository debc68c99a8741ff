#include "link/RolloutStation.h"

#include <algorithm>

namespace q4t {

namespace {

constexpr auto kAskEvery = std::chrono::seconds(1);
// A keyboard answers Connect within milliseconds; waiting less than the
// second of a transfer keeps the receive thread, and so the processor, idle
// for most of each second while a port waits for a keyboard.
constexpr std::chrono::milliseconds kNewKeyboardAnswers{250};
// Unplugged: not a word for as long as the link waits for any answer.
constexpr std::chrono::milliseconds kGoneAfter{kReplyTimeoutMs};
constexpr auto kSafetyWake = std::chrono::seconds(1);  // no timer and nothing queued: look again
constexpr const char* kStoppedText = "ERROR: Stopped during the download";

double secondsSince(std::chrono::steady_clock::time_point started) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

}  // namespace

RolloutStation::RolloutStation(std::string port, const RolloutPlan& plan, StationHost& host, PortMaker makePort)
    : port_(std::move(port)), plan_(plan), host_(host), table_(plan.table), link_(*this, table_, shared_) {
  shared_.comPortName = port_;
  shared_.makePort = [this, makePort = std::move(makePort)] { return lastPort_ = makePort(); };
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

void RolloutStation::Wake() {
  std::lock_guard lock(mutex_);
  woken_.notify_all();
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
  replyWait_ = silence;
  link_.PortChosen(port_);
  const bool opened = shared_.port != nullptr;
  const StepEnd end = opened ? RunLink(true) : StepEnd::Settled;
  replyWait_ = kGoneAfter;
  if (!opened) return Answer::NoPort;
  if (end != StepEnd::Settled) {
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
  reading_.reset();
  keptBefore_ = {};
  if (RunStep([this] { link_.ReadBeforeDownload(&plan_.store, plan_.tableFile); }) == StepEnd::Stopped)
    return;  // nothing was written
  if (!reading_) {
    const std::string cause = firstError_.empty() ? "ERROR: Transfer aborted" : firstError_;
    return Report({port_, "", cause + " (reading the keyboard's table; nothing was written)", false, 0, ""}, started);
  }
  KeyboardDone done{port_, reading_->serialNumber, "", false, 0, ""};
  if (!keptBefore_.result) {
    done.result = "ERROR: the keyboard's table could not be kept: " + keptBefore_.result.reason +
                  " (nothing was written)";
    return Report(done, started);
  }
  done.snapshotFile = keptBefore_.path.string();
  if (RunStep([this] { link_.Download(); }) == StepEnd::Stopped) {
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
RolloutStation::StepEnd RolloutStation::RunStep(const std::function<void()>& start) {
  firstError_.clear();
  lastStatus_.clear();
  start();
  const StepEnd end = RunLink(false);
  if (end == StepEnd::Stopped) {
    link_.LeaveTransfer();
    link_.Abort();
  }
  return end;
}

// The link's events and reply timer on this thread, until the link has
// nothing left to do, the host stops, or (silenceEnds) a request has gone
// unanswered for the timer's time.
RolloutStation::StepEnd RolloutStation::RunLink(bool silenceEnds) {
  for (;;) {
    std::unique_lock lock(mutex_);
    const bool settled = link_.phase() == LinkPhase::Idle || link_.phase() == LinkPhase::Unlinked;
    if (queue_.empty() && !timerDue_ && settled) return StepEnd::Settled;
    if (host_.stopping()) return StepEnd::Stopped;
    const Clock::time_point wakeAt = timerDue_.value_or(Clock::now() + kSafetyWake);
    woken_.wait_until(lock, wakeAt, [this] { return !queue_.empty() || host_.stopping(); });
    if (!queue_.empty()) {
      const LinkPost post = queue_.front();
      queue_.pop_front();
      lock.unlock();
      link_.HandlePost(post);
    } else if (timerDue_ && Clock::now() >= *timerDue_) {
      lock.unlock();
      if (silenceEnds) {
        timerDue_.reset();
        return StepEnd::Silent;
      }
      link_.OnReplyTimer();
    }
  }
}

void RolloutStation::Pause(Clock::time_point until) {
  std::unique_lock lock(mutex_);
  woken_.wait_until(lock, until, [this] { return host_.stopping(); });
}

void RolloutStation::PostToWindow(const LinkPost& post) {
  std::lock_guard lock(mutex_);
  queue_.push_back(post);
  woken_.notify_all();
}

bool RolloutStation::StartTimer(int, int milliseconds) {
  timerDue_ = Clock::now() + std::min(std::chrono::milliseconds(milliseconds), replyWait_);
  return true;
}

void RolloutStation::StopTimer(int) { timerDue_.reset(); }

void RolloutStation::ShowStatus(const std::string& text) {
  if (firstError_.empty() && text.rfind("ERROR: ", 0) == 0) firstError_ = text;
  lastStatus_ = text;
}

// Said only while a transfer runs: a keyboard that leaves an idle port is the
// usual end of its turn.
void RolloutStation::DeviceWentAway() {
  if (link_.transferRunning()) host_.portNote(port_, "device went away");
}

void RolloutStation::TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) {
  reading_ = reading;
  keptBefore_ = kept;
}

void RolloutStation::WrittenKept(const SavedSnapshot& kept) {
  if (!kept.result) host_.portNote(port_, "warning: the table written could not be kept: " + kept.result.reason);
}

}  // namespace q4t
