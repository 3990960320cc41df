// Keeps one Wine program alive for a whole test run. Wine starts its own services
// (explorer, services, ...) with the first program of a session, and they inherit that
// program's standard handles; started from here, with no pipes attached, they never
// hold a test's output pipe open after the test has ended. Ended by
// `tools/wine-run --anchor-stop` or `wineserver -k`.
#include <windows.h>

int main()
{
    // A hidden top-level window keeps Wine's desktop process up for the whole run too:
    // it ends a moment after the last window of a session goes, and a GUI program started
    // while a new one comes up can wait many seconds for it.
    ::CreateWindowExA(0, "STATIC", "qz_wine_anchor", WS_POPUP, 0, 0, 1, 1, NULL, NULL, ::GetModuleHandleA(NULL), NULL);
    MSG Message;
    while (::GetMessageA(&Message, NULL, 0, 0) > 0)
        ::DispatchMessageA(&Message);
    return 0;
}
