// One self-update at a time per launcher folder: its work files have fixed names, so
// launchers started together in one folder would otherwise overwrite and delete each
// other's files.
#ifndef QZ_SELFUPDATE_FOLDER_LOCK_H
#define QZ_SELFUPDATE_FOLDER_LOCK_H

// Takes the self-update lock of the launcher folder cszFolder: a named mutex in the
// session's namespace whose name is derived from the case-folded full path, so that
// every launcher started from that folder, by any name or path spelling, finds the same
// one. *phLock receives the mutex handle (NULL if it could not be made); the caller
// releases and closes it. Returns 1 when this process owns the lock (an abandoned one
// included), 0 when another launcher holds it or there is no lock.
int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock);

#endif  // QZ_SELFUPDATE_FOLDER_LOCK_H
