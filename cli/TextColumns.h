// Plain-text tables for q4t's lists: columns padded to their widest cell,
// counted in characters (UTF-8), two spaces apart, no spaces at line ends.
#pragma once

#include <string>
#include <vector>

namespace q4t {

enum class Align { Left, Right };

class TextColumns {
 public:
  explicit TextColumns(std::vector<Align> aligns) : aligns_(std::move(aligns)) {}
  void add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  // Every line starts with indent.
  std::string render(const std::string& indent = {}) const;

 private:
  std::vector<Align> aligns_;
  std::vector<std::vector<std::string>> rows_;
};

// The number of characters of UTF-8 text.
std::size_t textWidth(const std::string& text);

}  // namespace q4t
