#pragma once

#include <string>

// Which suffix the content hosts give patch files: false ".patch" (at start),
// true ".lgdiff". Set by the probes of the game pass and the pre-download,
// read wherever a patch name is formed; all on the worker thread.
extern bool CurrentPatchSuffix;

// ".patch" or ".lgdiff", as CurrentPatchSuffix chooses.
std::string PatchSuffix();
