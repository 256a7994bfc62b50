// How a long file operation tells its caller how far it has come, so a window can move a gauge.
#pragma once

#include <cstdint>
#include <functional>

namespace core {

// Called with the number of records done so far; may be empty.
using Progress = std::function<void(std::int64_t done)>;

} // namespace core
