#include "model/DataFiles.h"

#include "model/PathText.h"

#include <system_error>

namespace q4t {

std::string findDataFile(const std::string& name, const std::filesystem::path& programDir) {
  if (programDir.empty()) return {};
  // Q4T_DATA_FROM_BIN: the install's data folder as seen from its bin folder.
  for (const std::filesystem::path& folder : {programDir / Q4T_DATA_FROM_BIN, programDir}) {
    std::error_code error;
    const std::filesystem::path candidate = (folder / name).lexically_normal();
    if (std::filesystem::exists(candidate, error)) return pathText(candidate);
  }
  return {};
}

}  // namespace q4t
