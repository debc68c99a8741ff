#pragma once

#include <string>
#include <vector>

namespace q4t {

// q4t rollout TABLE.q4t --port NAME [--port NAME ...] --log FILE.csv [--count N]
int rolloutCommand(const std::vector<std::string>& args);

}  // namespace q4t
