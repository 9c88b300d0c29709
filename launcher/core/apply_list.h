#pragma once

#include <string>
#include <vector>

// How far an interrupted game update had come, kept in ".\update\apply_list.txt".
struct ApplyList {
  std::string version;                // the game version the update installs
  std::vector<std::string> fileList;  // names already applied, in order
};

// False for a missing file, text that is not JSON, or a document of the wrong
// shape. A readable "version" is taken even when "fileList" is then refused.
bool ReadApplyList(const std::string& path, ApplyList* list);
// Writes nothing while either the version or the file list is empty.
void WriteApplyList(const std::string& path, const ApplyList& list);
