#include "launcher/update/patch_suffix.h"

bool CurrentPatchSuffix = false;

std::string PatchSuffix() { return CurrentPatchSuffix ? ".lgdiff" : ".patch"; }
