#include "launcher/core/exit_requested.h"

std::atomic<bool> ExitRequested{false};
