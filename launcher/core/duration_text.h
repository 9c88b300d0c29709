#pragma once

#include <cstddef>

// "hh:mm:ss" into the buffer (hours unbounded); returns the characters written,
// or -1 with an empty buffer when it does not fit.
int FormatDuration(int seconds, wchar_t* buffer, size_t capacity);
