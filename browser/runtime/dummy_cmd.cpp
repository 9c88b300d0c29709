// The stand-in the launcher names as its command shell while the browser
// runtime runs: whatever asks for a shell gets one that does nothing.
int main() { return 0; }
