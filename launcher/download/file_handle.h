#pragma once

#include "base/scoped_handle.h"

// Owns a Windows file handle; closed when the owner goes or on Reset.
using FileHandle = qbase::ScopedHandle;
