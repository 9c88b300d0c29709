#pragma once

#include <functional>

namespace qbase {

// The unit of work posted to a message loop. An empty closure runs nothing.
using Closure = std::function<void()>;

}  // namespace qbase
