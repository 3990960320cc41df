#include "selfupdate/trial_start.h"

#include <cstring>

int QZ_IsSelfTestArgument(const char* cszArgumentText)
{
    size_t uLength = 0;

    if (!cszArgumentText)
        return 0;
    while (*cszArgumentText == ' ' || *cszArgumentText == '\t')
        ++cszArgumentText;
    uLength = strlen(cszArgumentText);
    while (uLength > 0 && (cszArgumentText[uLength - 1] == ' ' || cszArgumentText[uLength - 1] == '\t'))
        --uLength;
    return uLength == sizeof(QZ_SELF_TEST_ARGUMENT) - 1 &&
           memcmp(cszArgumentText, QZ_SELF_TEST_ARGUMENT, uLength) == 0;
}
