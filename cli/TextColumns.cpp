#include "cli/TextColumns.h"

#include <algorithm>

namespace q4t {

std::size_t textWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string TextColumns::render(const std::string& indent) const {
  std::vector<std::size_t> widths(aligns_.size(), 0);
  for (const auto& row : rows_)
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], textWidth(row[i]));
  std::string out;
  for (const auto& row : rows_) {
    std::string line = indent;
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
      const std::string padding(widths[i] - textWidth(row[i]), ' ');
      if (i > 0) line += "  ";
      line += aligns_[i] == Align::Right ? padding + row[i] : row[i] + padding;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

}  // namespace q4t
