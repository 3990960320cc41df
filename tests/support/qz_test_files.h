// Files and folders for tests: a fresh folder under the temporary folder, removed with
// everything in it afterwards, and whole-file reads and writes.
#ifndef QZ_TESTS_SUPPORT_QZ_TEST_FILES_H
#define QZ_TESTS_SUPPORT_QZ_TEST_FILES_H

#include <string>
#include <vector>

// The whole content of a file; empty when it cannot be opened.
std::string QZ_ReadWholeFile(const std::string& strPath);

// Windows only (qz_test_files_win.cpp) from here on.

// A fresh folder under the temporary folder, as a path ending in "\"; empty on failure.
std::string QZ_MakeTestTempFolder(const char* cszPrefix);
// Deletes a folder and everything in it, read-only files included.
void QZ_RemoveTestFolder(const std::string& strFolder);

// An empty folder of its own under the temporary folder, removed with everything in it
// when the object goes. Path() ends in "/" and uses "/" throughout.
class QZ_TempFolder
{
public:
    QZ_TempFolder();
    ~QZ_TempFolder();
    QZ_TempFolder(const QZ_TempFolder&) = delete;
    QZ_TempFolder& operator=(const QZ_TempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// Every regular file below strFolder, as paths relative to it with "/" separators,
// sorted by name.
std::vector<std::string> QZ_ListFilesBelow(const std::string& strFolder);
// The names of the files (bFolders false) or folders (bFolders true) in strFolder (ending in
// "\") that match cszPattern, without "." and "..", sorted.
std::vector<std::string> QZ_ListFolder(const std::string& strFolder, const char* cszPattern, bool bFolders);

// The full path of the running test program, and its folder (ending in "\").
std::string QZ_ThisProgramPath();
std::string QZ_ThisProgramFolder();

bool QZ_FileExists(const std::string& strPath);
// Replaces the file's content (whatever its attributes), then gives it ulAttributes when not 0;
// fails the running test when any step fails.
void QZ_WriteWholeFile(const std::string& strPath, const std::string& strData, unsigned long ulAttributes = 0);

#endif  // QZ_TESTS_SUPPORT_QZ_TEST_FILES_H
