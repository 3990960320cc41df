// Synchronous HTTP download of one URL into one local file.
#ifndef QZ_BASE_HTTP_DOWNLOAD_H
#define QZ_BASE_HTTP_DOWNLOAD_H

// Limits that the download enforces itself, whatever the server and the platform's
// own time-outs do. A value of 0 means no limit.
struct QZ_DownloadLimits
{
    unsigned int uMaxBytes;          // declared length and bytes received
    unsigned int uMaxMilliseconds;   // from the request to the last byte
    unsigned int uIdleMilliseconds;  // without receiving a byte (headers included)
};

// Fetches cszFileURL (http:// or https://, certificates checked), bypassing every
// cache, and stores the body in cszFileName (relative to the working directory or
// absolute). Blocks the calling thread until the file is complete or the attempt has
// failed, at the latest when a limit of pLimits (NULL: none) is passed. Returns 1 when
// the whole body is stored; 0 on any failure, after which no file of that name is left
// (an older one included). The reason for a failure, a passed limit included, is
// written to the log.
int QZ_HttpSyncDownloadFile(const char* cszFileURL, const char* cszFileName,
                            const QZ_DownloadLimits* pLimits = nullptr);

#endif  // QZ_BASE_HTTP_DOWNLOAD_H
