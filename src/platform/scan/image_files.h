#pragma once
// Image files: load a bitmap file behind a handle; write it as BMP, JPEG or
// PDF. Paths are zero-terminated 8-bit text.
//
// A handle belongs to the write that uses it: every DIB_WriteTo* releases
// the picture whatever the outcome, so a handle is good for one write.
// Writers answer 0 on success and one of the nonzero codes below otherwise;
// on failure the target is left as it was.

#include <cstdint>

#include "platform/scan/bmp_decode.h"
#include "platform/scan/image_data.h"
#include "platform/scan/image_handles.h"
#include "platform/scan/image_writes.h"

namespace scan {
constexpr std::int32_t kWriteOk = 0;
constexpr std::int32_t kBadHandle = 1;  // 0, never issued, or already released
constexpr std::int32_t kBadPath = 2;    // null or empty path
constexpr std::int32_t kWriteFailed = 3;  // encoding or writing the file failed
}  // namespace scan

// The picture of a bitmap file, kept in memory; its handle, or 0 when the
// file is missing, not a regular file, or not a bitmap that can be decoded
// completely (see scan::decodeBmp).
std::int32_t TWAIN_LoadNativeFromFilename(const char* path);

// Replace the file at `path` atomically with the picture, flushed to disk.
std::int32_t DIB_WriteToBmp(std::int32_t handle, const char* path);
std::int32_t DIB_WriteToJpeg(std::int32_t handle, const char* path);
std::int32_t DIB_WriteToPdf(std::int32_t handle, const char* path);

// Releases a picture that will not be written; 0, or kBadHandle.
std::int32_t DIB_Free(std::int32_t handle);
