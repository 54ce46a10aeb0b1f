#pragma once
// A scanned page stored as a bitmap while the device sends it: each band of
// rows is repacked into the file's rows and written to the page's
// temporary file as it arrives, and sampled for the viewer, so the page is
// never held whole. It then passes through main memory once instead of
// three times, and needs no fresh memory of its size. The file takes its
// name as any other picture's does, through the PendingPicture it ends as.
//
// JPEG and PDF pages are read whole and encoded on the store's writer
// thread: encoding here, between the device's reads, would add the encoder's
// time to the reading where that thread overlaps the two.

#include <QSize>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pictures/picture.h"
#include "platform/pictures/picture_store.h"
#include "platform/pictures/sampled_rows.h"

namespace pictures {

class PageStream {
 public:
  // Pages for `folder` in `format`; the viewer's picture of each fits
  // `viewerMost`.
  PageStream(std::string folder, Format format, QSize viewerMost);
  ~PageStream();
  PageStream(const PageStream&) = delete;
  PageStream& operator=(const PageStream&) = delete;

  // The page to come: `channels` 1 (grey) or 3 (RGB), 8 bits each. False
  // when it is not taken this way; the page is then read whole.
  bool begin(int width, int height, int channels, double xDpi, double yDpi);
  // The page's next `count` rows, top first, without padding.
  void add(const std::uint8_t* rows, int count);
  // Once every row came: the page written, its write-back under way,
  // waiting for its name. Null when no page was begun or rows are missing;
  // its temporary file is then gone.
  std::unique_ptr<PendingPicture> end();
  // Gives up the page begun (the device failed); its temporary goes.
  void drop() { pending_.reset(); }

 private:
  std::string folder_;
  Format format_;
  QSize viewerMost_;
  Rows shape_;
  int next_ = 0;  // the first row not yet given
  std::unique_ptr<PendingPicture> pending_;
  std::unique_ptr<SampledRows> sampled_;
  std::size_t headSize_ = 0;
  std::size_t rowSize_ = 0;
  std::vector<std::uint8_t> chunk_;  // a band's rows as the file's, bottom first
};

}  // namespace pictures
