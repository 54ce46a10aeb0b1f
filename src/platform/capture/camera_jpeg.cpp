#include "platform/capture/camera_jpeg.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace capture {

namespace {

constexpr std::uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kDht = 0xC4, kApp0 = 0xE0;

bool isFrameHeader(std::uint8_t m) {
  // SOF0-SOF15 without DHT (C4), JPG (C8) and DAC (CC).
  return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool standalone(std::uint8_t m) { return m == 0x01 || (m >= 0xD0 && m <= 0xD7); }

std::size_t segmentLength(const std::uint8_t* at) { return std::size_t(at[0]) << 8 | at[1]; }

void append(std::vector<std::uint8_t>& out, const std::uint8_t* from, std::size_t n) {
  out.insert(out.end(), from, from + n);
}

// Table class and id, the 16 code counts, then the values.
void addTable(std::vector<std::uint8_t>& segment, std::uint8_t classAndId, const std::uint8_t (&bits)[16],
              const std::uint8_t* values, std::size_t count) {
  segment.push_back(classAndId);
  append(segment, bits, 16);
  append(segment, values, count);
}

std::vector<std::uint8_t> makeStandardTables() {
  static constexpr std::uint8_t dcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
  static constexpr std::uint8_t dcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
  static constexpr std::uint8_t dcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  static constexpr std::uint8_t acLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
  static constexpr std::uint8_t acLumaValues[162] = {
      0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
      0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
      0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
      0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
      0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
      0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
      0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
      0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
      0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
  static constexpr std::uint8_t acChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
  static constexpr std::uint8_t acChromaValues[162] = {
      0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
      0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
      0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
      0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
      0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
      0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
      0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
      0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
      0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

  std::vector<std::uint8_t> body;
  addTable(body, 0x00, dcLumaBits, dcValues, 12);
  addTable(body, 0x10, acLumaBits, acLumaValues, 162);
  addTable(body, 0x01, dcChromaBits, dcValues, 12);
  addTable(body, 0x11, acChromaBits, acChromaValues, 162);
  const std::size_t length = body.size() + 2;
  std::vector<std::uint8_t> segment{0xFF, kDht, std::uint8_t(length >> 8), std::uint8_t(length)};
  append(segment, body.data(), body.size());
  return segment;
}

void appendJfif(std::vector<std::uint8_t>& out, int dpi) {
  const auto d = std::uint16_t(std::clamp(dpi, 1, 65535));
  const std::uint8_t app0[] = {0xFF, kApp0, 0x00, 0x10, 'J',  'F', 'I', 'F', 0x00, 0x01, 0x01,
                               0x01, std::uint8_t(d >> 8), std::uint8_t(d), std::uint8_t(d >> 8), std::uint8_t(d),
                               0x00, 0x00};
  append(out, app0, sizeof app0);
}

bool isJfif(const std::uint8_t* segment, std::size_t length) {
  return segment[1] == kApp0 && length >= 7 && std::memcmp(segment + 4, "JFIF", 5) == 0;
}

// Where the entropy-coded data after a scan header at `from` ends: at the
// next marker other than a stuffed byte or a restart marker.
std::optional<std::size_t> nextMarker(const std::uint8_t* data, std::size_t size, std::size_t from) {
  for (std::size_t at = from; at + 1 < size;) {
    const void* ff = std::memchr(data + at, 0xFF, size - at - 1);
    if (!ff) return std::nullopt;
    at = std::size_t(static_cast<const std::uint8_t*>(ff) - data);
    const std::uint8_t next = data[at + 1];
    if (next != 0x00 && next != 0xFF && !standalone(next)) return at;
    ++at;
  }
  return std::nullopt;
}

}  // namespace

QString jpegFaultText(JpegFault fault) {
  switch (fault) {
    case JpegFault::NoStart:
      return QStringLiteral("no start-of-image marker");
    case JpegFault::NoFrameHeader:
      return QStringLiteral("no frame header");
    case JpegFault::NoScan:
      return QStringLiteral("no scan header");
    case JpegFault::NoEnd:
      return QStringLiteral("no end-of-image marker");
    case JpegFault::WrongSize:
      return QStringLiteral("another size than the format's");
  }
  return {};
}

QString cameraJpegFaultText(JpegFault fault) {
  return QStringLiteral("the camera's frame is incomplete (%1)").arg(jpegFaultText(fault));
}

const std::vector<std::uint8_t>& standardHuffmanTables() {
  static const std::vector<std::uint8_t> tables = makeStandardTables();
  return tables;
}

std::variant<std::vector<std::uint8_t>, JpegFault> cameraJpegFile(const std::uint8_t* data, std::size_t size,
                                                                  QSize frame, int dpi) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != kSoi) return JpegFault::NoStart;
  std::vector<std::uint8_t> out{0xFF, kSoi};
  out.reserve(size + 512);
  appendJfif(out, dpi);
  bool haveFrame = false, haveTables = false, haveScan = false;
  std::size_t at = 2;
  while (true) {
    while (at + 1 < size && data[at] == 0xFF && data[at + 1] == 0xFF) ++at;  // fill bytes
    if (at + 1 >= size || data[at] != 0xFF) return haveScan ? JpegFault::NoEnd : JpegFault::NoScan;
    const std::uint8_t marker = data[at + 1];
    if (marker == kEoi) {
      if (!haveScan) return JpegFault::NoScan;
      append(out, data + at, 2);
      return out;
    }
    if (standalone(marker)) {
      append(out, data + at, 2);
      at += 2;
      continue;
    }
    if (at + 4 > size) return haveScan ? JpegFault::NoEnd : JpegFault::NoScan;
    const std::size_t length = segmentLength(data + at + 2);
    if (length < 2 || at + 2 + length > size) return haveScan ? JpegFault::NoEnd : JpegFault::NoFrameHeader;
    const std::uint8_t* segment = data + at;
    if (isFrameHeader(marker)) {
      if (length < 8) return JpegFault::NoFrameHeader;
      const QSize declared(int(segmentLength(segment + 7)), int(segmentLength(segment + 5)));
      if (declared != frame) return JpegFault::WrongSize;
      haveFrame = true;
    }
    if (marker == kDht) haveTables = true;
    if (marker == kSos) {
      if (!haveFrame) return JpegFault::NoFrameHeader;
      if (!haveTables) {
        const auto& tables = standardHuffmanTables();
        append(out, tables.data(), tables.size());
        haveTables = true;
      }
      haveScan = true;
      const std::optional<std::size_t> end = nextMarker(data, size, at + 2 + length);
      if (!end) return JpegFault::NoEnd;
      append(out, segment, *end - at);
      at = *end;
      continue;
    }
    if (!isJfif(segment, length)) append(out, segment, length + 2);
    at += 2 + length;
  }
}

}  // namespace capture
