// Streams bytes from a source through a digest in pieces: one loop for every digest the
// launcher computes over a file, whether the file is named or already held open.
#ifndef QZ_BASE_DIGEST_STREAM_H
#define QZ_BASE_DIGEST_STREAM_H

#include <cstddef>
#include <cstdio>

// Where the bytes come from. Read() fills up to uSize bytes and sets *puRead; a read of
// 0 bytes is the end. It returns 0 on a read error.
class QZ_ByteSource
{
public:
    virtual ~QZ_ByteSource() {}
    virtual int Read(void* pvBuffer, size_t uSize, size_t* puRead) = 0;
};

// Where the bytes go. Add() returns 0 when the digest fails.
class QZ_DigestSink
{
public:
    virtual ~QZ_DigestSink() {}
    virtual int Add(const void* pvData, size_t uSize) = 0;
};

// Hands every byte of the source to the sink, in order. Returns 1 when the source
// reached its end and the sink took everything, else 0.
int QZ_StreamDigest(QZ_ByteSource* pSource, QZ_DigestSink* pSink);

// A file opened by name (absolute, or relative to the working directory) for as long as
// the source lives. IsOpen() is 0 when it could not be opened or no name was given.
class QZ_NamedFileSource : public QZ_ByteSource
{
public:
    explicit QZ_NamedFileSource(const char* cszFileName) : m_fpFile(cszFileName ? fopen(cszFileName, "rb") : NULL) {}
    ~QZ_NamedFileSource() override
    {
        if (m_fpFile)
            fclose(m_fpFile);
    }
    QZ_NamedFileSource(const QZ_NamedFileSource&) = delete;
    QZ_NamedFileSource& operator=(const QZ_NamedFileSource&) = delete;

    int IsOpen() const { return m_fpFile != NULL; }
    int Read(void* pvBuffer, size_t uSize, size_t* puRead) override;

private:
    FILE* m_fpFile;
};

// Bytes in memory.
class QZ_MemorySource : public QZ_ByteSource
{
public:
    QZ_MemorySource(const void* pvData, size_t uSize) : m_pbyData((const unsigned char*)pvData), m_uLeft(uSize) {}
    int Read(void* pvBuffer, size_t uSize, size_t* puRead) override;

private:
    const unsigned char* m_pbyData;
    size_t m_uLeft;
};

// A Win32 file handle, read from its first byte whatever its file pointer, without
// moving it (positioned reads). The handle must allow reading and stays the caller's.
class QZ_FileHandleSource : public QZ_ByteSource
{
public:
    explicit QZ_FileHandleSource(void* hFile) : m_hFile(hFile), m_ullOffset(0) {}
    int Read(void* pvBuffer, size_t uSize, size_t* puRead) override;

private:
    void* m_hFile;
    unsigned long long m_ullOffset;
};

#endif  // QZ_BASE_DIGEST_STREAM_H
