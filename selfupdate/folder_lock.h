// One self-update at a time per launcher folder: its work files have fixed names, so
// launchers started together in one folder, in one session or in several (fast user
// switching, remote desktop), would otherwise overwrite and delete each other's files.
#ifndef QZ_SELFUPDATE_FOLDER_LOCK_H
#define QZ_SELFUPDATE_FOLDER_LOCK_H

// The lock file's name in the launcher folder.
#define QZ_SELF_UPDATE_LOCK_FILE_NAME "ArdunLauncher.exe.lock"

// Takes the self-update lock of the launcher folder cszFolder (UTF-8, ending in a
// backslash): the lock file in that folder, opened without sharing and deleted when
// its handle is closed, so every launcher of the folder, by any spelling of its path
// and in any session, meets the same file, and a launcher that dies releases it.
// Returns 1 with *phLock the handle the caller closes. Returns 0 with *phLock NULL
// otherwise: *pnHeld is 1 when another launcher holds the lock; else there is no
// lock, after a check line with the last error.
int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock, int* pnHeld);

#endif  // QZ_SELFUPDATE_FOLDER_LOCK_H
