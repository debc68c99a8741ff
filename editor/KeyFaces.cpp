#include "editor/KeyFaces.h"

#include "editor/KeyLayout.h"

namespace q4t {

FaceChange::FaceChange(const KeyFaces& before, const KeyFaces& after) {
  for (int k = 0; k < kKeyCount; ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (!(before[i] == after[i])) differences_.push_back({k, before[i], after[i]});
  }
  differences_.shrink_to_fit();
}

void FaceChange::show(KeyLayout& layout, bool after) const {
  for (const Difference& difference : differences_) layout.showFace(difference.k, after ? difference.after : difference.before);
}

}  // namespace q4t
