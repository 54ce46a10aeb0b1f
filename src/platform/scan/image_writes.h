#pragma once
// The image library's writers of a picture held in memory, over the picture
// store's encoders: each writes the whole file to a temporary in the
// target's folder, flushed, and then gives it the name. No name is followed:
// Commit::Replace replaces what stands under the name (a link included, never
// its target); Commit::NoReplace fails when the name is taken.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/pictures/jpeg_write.h"
#include "platform/pictures/pdf_write.h"
#include "platform/pictures/picture.h"
#include "platform/scan/image_data.h"

namespace scan {

using pictures::kJpegQuality;
using pictures::PageSize;
using pictures::pdfPageSize;

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image);
std::optional<std::vector<std::uint8_t>> makePdf(const std::vector<std::uint8_t>& jpeg, const Image& image);

// False for an invalid picture or when the file cannot be written.
bool writeImage(const Image& image, const std::string& path, pictures::Format format, files::Commit mode);
bool writeBmp(const Image& image, const std::string& path, files::Commit mode);
bool writeJpeg(const Image& image, const std::string& path, files::Commit mode);
bool writePdf(const Image& image, const std::string& path, files::Commit mode);

}  // namespace scan
