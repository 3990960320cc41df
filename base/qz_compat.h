// Force-included into every translation unit: the few MSVC spellings the code uses,
// supplied where the GCC/MinGW headers lack them, so no file needs its own #ifdef.
#ifndef QZ_COMPAT_H
#define QZ_COMPAT_H

#ifdef __cplusplus
#include <cstddef>
#ifndef _countof
template <typename T, size_t N> char (&QZ_CountofHelper(T (&)[N]))[N];
#define _countof(a) (sizeof(QZ_CountofHelper(a)))
#endif
#endif

#ifndef _T
#define _T(x) x
#endif

#endif  // QZ_COMPAT_H
