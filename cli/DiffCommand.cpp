#include "cli/DiffCommand.h"

#include <cstdio>

#include "cli/TextColumns.h"
#include "model/KeyTableFile.h"

namespace q4t {

namespace {

constexpr int kSame = 0;
constexpr int kDifferent = 1;
constexpr int kUsageError = 2;

std::string keyOrNone(int key) { return key < 0 ? "-" : std::to_string(key); }

std::string shapeColumn(const KeyChange& change) {
  // A key split off another one shows its shape too, though only its value counts.
  if (change.oldSize != change.newSize) return shapeName(change.oldSize) + " -> " + shapeName(change.newSize);
  return change.partOf >= 0 ? "under key " + std::to_string(change.partOf) : "";
}

std::string keyList(const TableDiff& diff) {
  TextColumns columns({Align::Right, Align::Right, Align::Right, Align::Left, Align::Left});
  columns.add({"key", "old", "new", "shape", "label"});
  for (const KeyChange& change : diff.keys)
    columns.add({std::to_string(change.key), std::to_string(change.oldValue), std::to_string(change.newValue),
                 shapeColumn(change), change.label});
  return columns.render();
}

std::string counterList(const TableDiff& diff) {
  TextColumns columns({Align::Right, Align::Right, Align::Right, Align::Left});
  columns.add({"counter", "old key", "new key", "change"});
  for (const CounterChange& change : diff.counters)
    columns.add({std::to_string(change.counter), keyOrNone(change.oldKey), keyOrNone(change.newKey),
                 moveName(change.move())});
  return columns.render();
}

std::string labelList(const TableDiff& diff) {
  TextColumns columns({Align::Right, Align::Left, Align::Left});
  columns.add({"key", "old label", "new label"});
  for (const LabelChange& change : diff.labels)
    columns.add({std::to_string(change.key), change.oldLabel, change.newLabel});
  return "Labels (kept in the files, never sent to the keyboard):\n" + columns.render();
}

// The lead bytes of UTF-8 sequences of two to four bytes, with the range of
// the byte after the lead, which rules out overlong forms, surrogates and
// code points beyond U+10FFFF.
struct LeadRule {
  unsigned char first, last;
  std::size_t length;
  unsigned char low, high;
};
constexpr LeadRule kLeadRules[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};

// The length of the valid UTF-8 sequence at i, 0 when there is none.
std::size_t sequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&text](std::size_t j) { return j < text.size() ? static_cast<unsigned char>(text[j]) : 0; };
  if (byte(i) < 0x80) return 1;
  for (const LeadRule& rule : kLeadRules) {
    if (byte(i) < rule.first || byte(i) > rule.last) continue;
    if (byte(i + 1) < rule.low || byte(i + 1) > rule.high) return 0;
    for (std::size_t j = 2; j < rule.length; ++j)
      if (byte(i + j) < 0x80 || byte(i + j) > 0xBF) return 0;
    return rule.length;
  }
  return 0;
}

// A JSON string of UTF-8 text; a byte that is no UTF-8 becomes U+FFFD.
std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = sequenceLength(text, i);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else if (length == 0) {
      out += "\\ufffd";
    } else {
      out += text.substr(i, length);
    }
    i += length == 0 ? 1 : length;
  }
  return out + "\"";
}

std::string jsonKeyOrNull(int key) { return key < 0 ? "null" : std::to_string(key); }

template <typename Item, typename Render>
std::string jsonArray(const std::vector<Item>& items, Render render) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i > 0 ? ",\n    " : "\n    ") + render(items[i]);
  return out + (items.empty() ? "]" : "\n  ]");
}

std::string jsonKey(const KeyChange& c) {
  return "{\"key\": " + std::to_string(c.key) + ", \"label\": " + jsonString(c.label) +
         ", \"old_value\": " + std::to_string(c.oldValue) + ", \"new_value\": " + std::to_string(c.newValue) +
         ", \"old_shape\": " + jsonString(shapeName(c.oldSize)) + ", \"new_shape\": " +
         jsonString(shapeName(c.newSize)) + ", \"reshaped\": " + (c.reshaped ? "true" : "false") +
         ", \"under_key\": " + jsonKeyOrNull(c.partOf) + "}";
}

std::string jsonCounter(const CounterChange& c) {
  return "{\"counter\": " + std::to_string(c.counter) + ", \"old_key\": " + jsonKeyOrNull(c.oldKey) +
         ", \"new_key\": " + jsonKeyOrNull(c.newKey) + ", \"change\": " + jsonString(moveName(c.move())) + "}";
}

std::string jsonLabel(const LabelChange& c) {
  return "{\"key\": " + std::to_string(c.key) + ", \"old\": " + jsonString(c.oldLabel) +
         ", \"new\": " + jsonString(c.newLabel) + "}";
}

}  // namespace

std::string renderDiffText(const TableDiff& diff) {
  std::string out = diffSummary(diff) + "\n";
  if (!diff.keys.empty()) out += "\n" + keyList(diff);
  if (!diff.counters.empty()) out += "\n" + counterList(diff);
  if (!diff.labels.empty()) out += "\n" + labelList(diff);
  return out;
}

std::string renderDiffJson(const TableDiff& diff) {
  return std::string("{\n  \"same_on_keyboard\": ") + (diff.keyboardSame() ? "true" : "false") +
         ",\n  \"summary\": " + jsonString(diffSummary(diff)) + ",\n  \"keys\": " + jsonArray(diff.keys, jsonKey) +
         ",\n  \"counters\": " + jsonArray(diff.counters, jsonCounter) +
         ",\n  \"labels\": " + jsonArray(diff.labels, jsonLabel) + "\n}\n";
}

int diffCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") json = true;
    else files.push_back(arg);
  }
  if (files.size() != 2) {
    std::fputs("q4t: diff takes two file names\n", stderr);
    return kUsageError;
  }
  KeyTable tables[2];
  for (int i = 0; i < 2; ++i) {
    if (const FileResult read = readKeyTable(files[static_cast<std::size_t>(i)], tables[i]); !read) {
      std::fprintf(stderr, "q4t: %s: %s\n", files[static_cast<std::size_t>(i)].c_str(), read.reason.c_str());
      return kUsageError;
    }
  }
  const TableDiff diff = diffTables(tables[0], tables[1]);
  std::fputs((json ? renderDiffJson(diff) : renderDiffText(diff)).c_str(), stdout);
  return diff.keyboardSame() ? kSame : kDifferent;
}

}  // namespace q4t
