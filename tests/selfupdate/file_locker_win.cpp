// Holds a file open from another process, the way a virus scanner or a second program
// may, so the self-update tests can meet files that refuse to be moved:
//   qz_selfupdate_file_locker <file> <read|readwrite> <release file>
// Opens <file> for reading, sharing it for reading only or for reading and writing
// (never for deletion, so it can be neither moved nor deleted), prints "locked", and
// keeps it open until <release file> exists (at most two minutes).
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4 || (strcmp(argv[2], "read") != 0 && strcmp(argv[2], "readwrite") != 0))
    {
        fprintf(stderr, "usage: qz_selfupdate_file_locker <file> <read|readwrite> <release file>\n");
        return 2;
    }
    DWORD dwShare = strcmp(argv[2], "read") == 0 ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE hFile = CreateFileA(argv[1], GENERIC_READ, dwShare, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        printf("failed %lu\n", GetLastError());
        fflush(stdout);
        return 1;
    }
    printf("locked\n");
    fflush(stdout);
    for (int nWait = 0; nWait < 120 * 50; ++nWait)
    {
        if (GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(20);
    }
    CloseHandle(hFile);
    return 0;
}
