// What a launcher started with "--self-test" does (selfupdate/trial_start.h starts a
// new launcher so before it is swapped in).
#ifndef QZ_APP_LAUNCHER_SELF_TEST_H
#define QZ_APP_LAUNCHER_SELF_TEST_H

// Loads the dialog template, every skin picture (from two sets) and the icon, the
// program's FileVersion, its key table, the common controls, WinINet and the
// platform's cryptography, and returns the process's exit code: 0 when all is there,
// else the number of the first piece missing. It opens no window and writes no log.
int QZ_RunLauncherSelfTest();

#endif  // QZ_APP_LAUNCHER_SELF_TEST_H
