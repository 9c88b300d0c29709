#pragma once

#include <string>

// The launcher's own folders, relative to its folder (the current directory).
const std::string& GetSaveDirA();  // ".\save"
const std::wstring& GetSaveDirW();
const std::string& GetUpdateDirA();  // ".\update"
const std::wstring& GetUpdateDirW();
const std::wstring& GetExceptionDirW();    // ".\exception"
const std::string& GetPreDownloadDirA();   // ".\update\predownload"
const std::wstring& GetDefaultGamePath();  // module folder + "Corvandel Game"
