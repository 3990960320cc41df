// Times MakeFileMD5 on one file and prints "<digest> <seconds>", the time of the
// digest alone (process start-up is left out).
#include <chrono>
#include <cstdio>

#include "base/md5_file.h"

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: md5_bench FILE\n");
        return 2;
    }
    char szDigest[QZ_MD5_TEXT_BUFFER_SIZE];
    auto Start = std::chrono::steady_clock::now();
    int nRetCode = MakeFileMD5(szDigest, argv[1]);
    auto Stop = std::chrono::steady_clock::now();
    if (!nRetCode)
    {
        fprintf(stderr, "md5_bench: MakeFileMD5 failed for %s\n", argv[1]);
        return 1;
    }
    printf("%s %.6f\n", szDigest, std::chrono::duration<double>(Stop - Start).count());
    return 0;
}
