#include <windows.h>

#include "launcher/core/entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return LauncherMain(); }
