#include "model/KeyboardLimits.h"

namespace q4t {

namespace {

constexpr std::int32_t kLargestValue = 255;  // one byte on the wire

bool holdableValue(std::int32_t v) { return v >= 0 && v <= kLargestValue; }

// Sizes go on the wire as a nibble; only the five shape codes mean anything.
bool holdableSize(std::int32_t size) {
  switch (static_cast<KeySize>(size)) {
    case KeySize::Covered:
    case KeySize::Single:
    case KeySize::DoubleRight:
    case KeySize::DoubleDown:
    case KeySize::Quadruple: return true;
  }
  return false;
}

bool holdableLink(std::int32_t link) { return link == kNoNeighbour || isKeyIndex(link); }

bool holdableCounter(std::int32_t c) { return c == kCounterOff || isKeyCounter(c); }

const char* rangeOf(const std::string& field) {
  if (field == "VALUE") return "0 to 255";
  if (field == "SIZE") return "0, 1, 2, 4 or 14";
  if (field == "COUNTER") return "6 to 29, or 144 for none";
  return "-1 to 91";
}

}  // namespace

std::vector<FieldProblem> unholdableFields(const KeyTable& table) {
  std::vector<FieldProblem> problems;
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry& key = table.entry(k);
    const std::int32_t size = static_cast<std::int32_t>(key.size);
    if (!holdableValue(key.value)) problems.push_back({k, "VALUE", key.value});
    if (!holdableLink(key.right)) problems.push_back({k, "RIGHT", key.right});
    if (!holdableLink(key.down)) problems.push_back({k, "DOWN", key.down});
    if (!holdableLink(key.downRight)) problems.push_back({k, "DOWNRIGHT", key.downRight});
    if (!holdableSize(size)) problems.push_back({k, "SIZE", size});
    if (!holdableCounter(key.counter)) problems.push_back({k, "COUNTER", key.counter});
  }
  return problems;
}

std::string describeProblem(const FieldProblem& problem) {
  return "key " + std::to_string(problem.key) + ": " + problem.field + "=" + std::to_string(problem.number) +
         " (the keyboard holds " + rangeOf(problem.field) + ")";
}

std::string describeProblems(const std::vector<FieldProblem>& problems, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < problems.size() && i < most; ++i) text += describeProblem(problems[i]) + "\n";
  if (problems.size() > most) text += "and " + std::to_string(problems.size() - most) + " more\n";
  return text;
}

}  // namespace q4t
