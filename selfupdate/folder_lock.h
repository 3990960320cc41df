// One self-update at a time per launcher folder: its work files have fixed names, so
// launchers started together in one folder would otherwise overwrite and delete each
// other's files.
#ifndef QZ_SELFUPDATE_FOLDER_LOCK_H
#define QZ_SELFUPDATE_FOLDER_LOCK_H

// Takes the self-update lock of the launcher folder cszFolder: a named mutex in the
// session's namespace whose name is derived from the folder's identity (its volume's
// serial number and its file index), so that every launcher started from that folder,
// by any name or path spelling, finds the same one. *phLock receives a handle the
// caller releases (when owned) and closes: the mutex's, or the folder's when the lock
// exists but may not be opened (held by an elevated launcher). NULL when there is no
// lock, after check lines with the last error. Returns 1 when this process owns the
// lock (an abandoned one included), 0 when another launcher holds it or there is no
// lock.
int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock);

#endif  // QZ_SELFUPDATE_FOLDER_LOCK_H
