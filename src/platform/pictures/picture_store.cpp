#include "platform/pictures/picture_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QThreadPool>

#include <cerrno>
#include <cstring>

#include "platform/files/folder_of.h"
#include "platform/files/stale_temps.h"
#include "platform/pictures/bmp_write.h"
#include "platform/pictures/jpeg_write.h"
#include "platform/pictures/pdf_write.h"

namespace pictures {

namespace {

// Names tried when other programs keep taking the one just found free.
constexpr int kNameAttempts = 16;

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Rows frameRows(const QImage& image) {
  Rows rows;
  rows.data = image.constBits();
  rows.width = image.width();
  rows.height = image.height();
  rows.stride = static_cast<std::size_t>(image.bytesPerLine());
  rows.kind = PixelKind::Bgrx;
  rows.xDpi = rows.yDpi = kFrameDpi;
  return rows;
}

Rows pageRows(const Page& page) {
  Rows rows;
  rows.data = page.pixels.data();
  rows.width = page.width;
  rows.height = page.height;
  const std::size_t rowBytes = static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.channels);
  rows.stride = page.bitmapRows ? (rowBytes + 3) / 4 * 4 : rowBytes;
  rows.kind = page.channels == 1 ? PixelKind::Grey : page.bitmapRows ? PixelKind::Bgr : PixelKind::Rgb;
  rows.bottomUp = page.bitmapRows;
  rows.xDpi = page.xDpi;
  rows.yDpi = page.yDpi;
  rows.bilevel = page.bilevel && page.channels == 1;
  // Rows that do not fill the pixels given are refused, not read past.
  if (page.width <= 0 || page.height <= 0 || (page.channels != 1 && page.channels != 3) ||
      page.pixels.size() != rows.stride * static_cast<std::size_t>(page.height))
    rows.data = nullptr;
  return rows;
}

// The viewer's picture of a page: its own pixels, kept alive by the image.
QImage pageImage(std::shared_ptr<Page> page, const Rows& rows) {
  if (!isValid(rows)) return {};
  if (page->bitmapRows) {
    const QImage view(rows.data, rows.width, rows.height, static_cast<qsizetype>(rows.stride),
                      page->channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    return view.mirrored();
  }
  auto* keep = new std::shared_ptr<Page>(std::move(page));
  return QImage(
      rows.data, rows.width, rows.height, static_cast<qsizetype>(rows.stride),
      (*keep)->channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888,
      [](void* held) { delete static_cast<std::shared_ptr<Page>*>(held); }, keep);
}

// Encoded data of at least this size goes past the page cache.
constexpr std::size_t kDirectBytes = 1 << 20;

template <class Bytes>
bool writeBytes(files::NewFile& file, const std::optional<Bytes>& bytes) {
  if (!bytes) return false;
  if (bytes->size() >= kDirectBytes) return file.writeDirect(bytes->data(), bytes->size());
  return file.write(bytes->data(), bytes->size());
}

}  // namespace

bool writeRows(const Rows& rows, Format format, files::NewFile& file) {
  switch (format) {
    case Format::Bmp: return writeBmp(rows, file);
    case Format::Jpeg: return writeBytes(file, encodeJpegKept(rows));
    case Format::Pdf: {
      const auto jpeg = encodeJpegKept(rows);
      return jpeg && writeBytes(file, makePdf(jpeg->data(), jpeg->size(), rows.width, rows.height, rows.xDpi, rows.yDpi));
    }
  }
  return false;
}

namespace {

bool encodeJpegData(const EncodedJpeg& jpeg, Format format, files::NewFile& file) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(jpeg.bytes.constData());
  const auto size = static_cast<std::size_t>(jpeg.bytes.size());
  if (format == Format::Jpeg) return size > 0 && file.write(data, size);
  return writeBytes(file, makePdf(data, size, jpeg.width, jpeg.height, jpeg.xDpi, jpeg.yDpi));
}

QImage asFrame(QImage image) {
  return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

// One thread, kept: pictures are written in the order they came, and the
// encoder's state and the thread's memory serve page after page instead of
// being made anew (and faulted in) for each.
QThreadPool& writer() {
  static QThreadPool* pool = [] {
    auto* threads = new QThreadPool;
    threads->setMaxThreadCount(1);
    threads->setExpiryTimeout(-1);
    return threads;
  }();
  return *pool;
}

}  // namespace

PendingPicture::PendingPicture(const std::string& folder, Format format)
    : folder_(std::make_unique<files::Folder>(folder)), format_(format) {
  files::tidyFolder(*folder_, isWholePicture);
  file_ = std::make_unique<files::NewFile>(*folder_);
}

PendingPicture::PendingPicture(Picture picture, const std::string& folder, Format format, Prepare where)
    : PendingPicture(folder, format) {
  // The temporary is made here either way, so that a folder that cannot be
  // written to is known at once.
  if (file_->failure().failed()) return;
  if (where == Prepare::Here) {
    prepare(std::move(picture));
    return;
  }
  auto done = std::make_shared<std::promise<void>>();
  prepared_ = done->get_future();
  writer().start([this, done, p = std::move(picture)]() mutable {
    try {
      prepare(std::move(p));
      done->set_value();
    } catch (...) {
      done->set_exception(std::current_exception());
    }
  });
}

void PendingPicture::prepare(Picture picture) {
  bool encoded = false;
  if (auto* jpeg = std::get_if<EncodedJpeg>(&picture)) {
    // A bitmap is made from the whole decoded frame; a JPEG or PDF keeps the
    // bytes, and the viewer takes the picture already decoded when there is one.
    if (format_ == Format::Bmp || jpeg->shown.isNull()) picture_ = QImage::fromData(jpeg->bytes, "JPEG");
    if (format_ == Format::Bmp) {
      picture = Frame{picture_};
    } else {
      if (picture_.isNull()) picture_ = std::move(jpeg->shown);
      encoded = encodeJpegData(*jpeg, format_, *file_);
    }
  }
  if (auto* frame = std::get_if<Frame>(&picture)) {
    picture_ = asFrame(std::move(frame->image));
    encoded = !picture_.isNull() && writeRows(frameRows(picture_), format_, *file_);
  } else if (auto* page = std::get_if<Page>(&picture)) {
    // The pixels go back once the last picture sharing them (the viewer's
    // included) is gone.
    const std::shared_ptr<Page> held(new Page(std::move(*page)), [](Page* done) {
      if (done->giveBack) done->giveBack(std::move(done->pixels));
      delete done;
    });
    const Rows rows = pageRows(*held);
    encoded = isValid(rows) && writeRows(rows, format_, *file_);
    picture_ = pageImage(held, rows);
  }
  refused_ = !encoded && !file_->failure().failed();
  // The data starts for the medium at once; the flush at the claim then
  // finds most of it there.
  if (encoded) file_->startWriteBack();
}

void PendingPicture::wait() {
  if (prepared_.valid()) prepared_.get();
}

bool PendingPicture::failed() const {
  // Work under way on its thread had its temporary made; the rest is told
  // by finish().
  if (prepared_.valid()) return false;
  return refused_ || file_->failure().failed();
}

// The thread is waited for before the file it writes goes.
PendingPicture::~PendingPicture() {
  if (prepared_.valid()) prepared_.wait();
}

StoreResult PendingPicture::finish(const std::string& path, const NextName& next) {
  wait();
  StoreResult result;
  result.path = path;
  result.format = format_;
  result.picture = picture_;
  if (refused_) {
    result.refused = true;
    return result;
  }
  files::Claimed claimed = file_->claim(nameOf(path));
  for (int attempt = 1; claimed.failure == files::Failure{files::Step::Claim, EEXIST} && next &&
                        attempt < kNameAttempts;
       ++attempt) {
    const auto another = next();
    if (!another) break;
    result.path = *another;
    claimed = file_->claim(nameOf(*another));
  }
  result.stands = claimed.stands;
  result.durable = claimed.durable;
  result.failure = claimed.failure;
  return result;
}

StoreResult storePicture(Picture picture, const std::string& path, Format format, const NextName& next) {
  PendingPicture pending(std::move(picture), files::folderOf(path), format);
  return pending.finish(path, next);
}

StoreResult refusedPicture(const std::string& path, Format format, const QString& why) {
  StoreResult result;
  result.path = path;
  result.format = format;
  result.refused = true;
  result.refusal = why;
  return result;
}

bool isWholePicture(int fd, const std::string& target) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < 16) return false;
  const auto size = static_cast<std::size_t>(st.st_size);
  unsigned char head[6] = {}, tail[64] = {};
  const std::size_t tailSize = std::min(sizeof tail, size);
  if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
      ::pread(fd, tail, tailSize, static_cast<off_t>(size - tailSize)) != static_cast<ssize_t>(tailSize))
    return false;
  const std::string ext = target.size() >= 4 ? target.substr(target.size() - 4) : std::string();
  if (ext == ".jpg") return head[0] == 0xFF && head[1] == 0xD8 && tail[tailSize - 2] == 0xFF && tail[tailSize - 1] == 0xD9;
  if (ext == ".pdf") {
    const std::string end(reinterpret_cast<const char*>(tail), tailSize);
    if (std::memcmp(head, "%PDF-", 5) != 0 || end.find("%%EOF") == std::string::npos ||
        end.find("startxref") == std::string::npos)
      return false;
    return true;
  }
  // A bitmap is as long as its header says.
  const std::uint32_t declared = head[2] | (head[3] << 8) | (head[4] << 16) | (std::uint32_t(head[5]) << 24);
  return head[0] == 'B' && head[1] == 'M' && declared == size;
}

}  // namespace pictures
