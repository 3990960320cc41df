// Keeps one Wine program alive for a whole test run. Wine starts its own services
// (explorer, services, ...) with the first program of a session, and they inherit that
// program's standard handles; started from here, with no pipes attached, they never
// hold a test's output pipe open after the test has ended. Ended by
// `tools/wine-run --anchor-stop` or `wineserver -k`.
#include <windows.h>

int main()
{
    ::Sleep(INFINITE);
    return 0;
}
