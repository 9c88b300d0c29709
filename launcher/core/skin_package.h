#pragma once

// Opens the skin package as ui::GlobalManager::resourceZip: a copy of
// "resources.zip" beside the executable when there is one (so the file itself
// is never held open and can be replaced by an update), else the package
// embedded in the executable, which also stands in for a copy that does not
// open. UI thread only.
void OpenSkinPackage();
