// Shared export macro and linkage for the camera libraries' plain-C interfaces.
#ifndef QEL_EXPORT_H
#define QEL_EXPORT_H

#if defined(__GNUC__)
#define QEL_API __attribute__((visibility("default")))
#else
#define QEL_API
#endif

#ifdef __cplusplus
#define QEL_EXTERN_C_BEGIN extern "C" {
#define QEL_EXTERN_C_END }
#else
#define QEL_EXTERN_C_BEGIN
#define QEL_EXTERN_C_END
#endif

// Every text buffer handed to a qel library (names, keys, versions, MIDs) holds 256 bytes.
// The libraries write at most 255 characters followed by a terminating zero.
#define QEL_TEXT_BUFFER_SIZE 256

#endif
