// Putting a verified new launcher in place of the running one. The new file is held
// open from its verification to its rename, with the right to rename it and without
// letting anyone write, rename or delete it, so the file that was verified is the one
// that moves in, and the running program is moved aside only once nothing can stop that.
#ifndef QZ_SELFUPDATE_FILE_SWAP_H
#define QZ_SELFUPDATE_FILE_SWAP_H

// Opens the downloaded file cszFileName (UTF-8) for reading and renaming, sharing
// reading only, in up to three tries (a virus scanner may hold a fresh file for a
// moment). Returns the handle, or INVALID_HANDLE_VALUE after a log line.
void* QZ_OpenVerifiedFile(const char* cszFileName);

// Moves the running program cszProgram aside to cszOldFile, then renames the file held
// as hVerifiedFile (named cszNewFile) to cszProgram. Should that fail, the old file is
// moved back, or copied back when it cannot be moved; *pnKeepOldFile is set when even
// that failed, so the clean-up keeps the only launcher left. Returns 1 when swapped.
int QZ_SwapInVerifiedFile(void* hVerifiedFile, const char* cszNewFile, const char* cszProgram,
                          const char* cszOldFile, int* pnKeepOldFile);

#endif  // QZ_SELFUPDATE_FILE_SWAP_H
