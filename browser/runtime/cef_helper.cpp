// The runtime's sub-process program. The host browser runs its own
// sub-processes, so a start of this one has nothing to do.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
