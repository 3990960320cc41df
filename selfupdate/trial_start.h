// A new launcher is started once, before it is swapped in, with the single argument
// "--self-test": it loads what a start needs and exits with 0, so a release that
// cannot start on this system is never installed here.
#ifndef QZ_SELFUPDATE_TRIAL_START_H
#define QZ_SELFUPDATE_TRIAL_START_H

#define QZ_SELF_TEST_ARGUMENT "--self-test"

// The longest wait for the trial start, in milliseconds.
#define QZ_TRIAL_START_MAX_WAIT 10000

// Starts cszProgram (UTF-8) with "--self-test" in the folder cszFolder and waits for it
// at most dwWait ms; a program still running then is ended. Returns 1 when it exited
// with 0; else 0 after a line with its exit code or the reason it did not start.
int QZ_TrialStart(const char* cszProgram, const char* cszFolder, unsigned long dwWait);

// 1 when the argument text is the single argument "--self-test".
int QZ_IsSelfTestArgument(const char* cszArgumentText);

#endif  // QZ_SELFUPDATE_TRIAL_START_H
