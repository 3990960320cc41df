// The launcher's self-update: fetch the update index, compare the newest version named
// there with the program's own FileVersion and, when the program's is older, download
// the new launcher, verify it (MD5, and the trust checks of update_trust.h), start it
// once to see that it runs, and swap it in place of the program's own file. The running
// process goes on from the old file, moved aside; the new one takes effect at the next
// start. Failures write check lines naming QZ_ArdunLauncherDlg::_SelfUpdateFunction (or
// ::_MoveFile), the launcher window's members that run this.
#ifndef QZ_SELFUPDATE_SELF_UPDATE_H
#define QZ_SELFUPDATE_SELF_UPDATE_H

#define QZ_SELF_UPDATE_ROUTINE "QZ_ArdunLauncherDlg::_SelfUpdateFunction"
#define QZ_MOVE_FILE_ROUTINE   "QZ_ArdunLauncherDlg::_MoveFile"

// The work files keep this name whatever the running launcher file is called.
#define QZ_UPDATE_WORK_FILE_NAME  "ArdunLauncher.exe"
#define QZ_UPDATE_NEW_FILE_SUFFIX ".new"
#define QZ_UPDATE_OLD_FILE_SUFFIX ".tmp"

// The whole procedure. 1 when the program was up to date or has been replaced (or
// another launcher is updating the folder), 0 on any failure.
int QZ_RunSelfUpdate();

// Moves a file (UTF-8 paths), replacing the destination, in up to three tries with a
// pause of 500 ms after each failed one. 1 when moved; 0 after two log lines.
int QZ_MoveFileWithRetries(const char* cszSource, const char* cszDestination);

#endif  // QZ_SELFUPDATE_SELF_UPDATE_H
