// The argument text of a command line: what follows the program's own name.
#ifndef QZ_FRAMEWORK_FX_CMDLINE_H
#define QZ_FRAMEWORK_FX_CMDLINE_H

// Skips the program name (a quoted name may contain blanks) and the blanks and
// control characters after it. Blanks after the argument stay part of it.
const char* QZ_GetArgumentText(const char* cszCommandLine);

#endif  // QZ_FRAMEWORK_FX_CMDLINE_H
