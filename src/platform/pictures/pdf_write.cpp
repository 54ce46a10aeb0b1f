#include "platform/pictures/pdf_write.h"

#include <hpdf.h>

#include <algorithm>
#include <limits>

#include "platform/pictures/picture.h"


namespace pictures {

namespace {

// Page sides PDF viewers accept, in points.
constexpr double kMinPageSide = 3.0;
constexpr double kMaxPageSide = 14400.0;

// Errors are only recorded: nothing may unwind through the C library.
void HPDF_STDCALL recordError(HPDF_STATUS error, HPDF_STATUS, void* userData) {
  auto* first = static_cast<HPDF_STATUS*>(userData);
  if (*first == HPDF_OK) *first = error;
}

class PdfDocument {
 public:
  PdfDocument() : doc_(HPDF_New(recordError, &error_)) {}
  ~PdfDocument() {
    if (doc_ != nullptr) HPDF_Free(doc_);
  }
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;
  HPDF_Doc get() const { return doc_; }
  bool ok() const { return doc_ != nullptr && error_ == HPDF_OK; }

 private:
  HPDF_STATUS error_ = HPDF_OK;  // before doc_: the handler is given its address
  HPDF_Doc doc_;
};

}  // namespace

PageSize pdfPageSize(int width, int height, double xDpi, double yDpi) {
  PageSize page{width * 72.0 / effectiveDpi(xDpi), height * 72.0 / effectiveDpi(yDpi)};
  const double largest = std::max(page.width, page.height);
  if (largest > kMaxPageSide) {
    page.width *= kMaxPageSide / largest;
    page.height *= kMaxPageSide / largest;
  }
  page.width = std::clamp(page.width, kMinPageSide, kMaxPageSide);
  page.height = std::clamp(page.height, kMinPageSide, kMaxPageSide);
  return page;
}

std::optional<std::vector<std::uint8_t>> makePdf(const std::uint8_t* jpeg, std::size_t jpegSize, int width,
                                                 int height, double xDpi, double yDpi) {
  if (jpegSize == 0 || jpegSize > std::numeric_limits<HPDF_UINT>::max()) return std::nullopt;
  PdfDocument pdf;
  if (!pdf.ok()) return std::nullopt;
  HPDF_Image picture = HPDF_LoadJpegImageFromMem(pdf.get(), jpeg, static_cast<HPDF_UINT>(jpegSize));
  HPDF_Page page = HPDF_AddPage(pdf.get());
  if (!pdf.ok() || picture == nullptr || page == nullptr) return std::nullopt;

  const PageSize size = pdfPageSize(width, height, xDpi, yDpi);
  const auto w = static_cast<HPDF_REAL>(size.width), h = static_cast<HPDF_REAL>(size.height);
  HPDF_Page_SetWidth(page, w);
  HPDF_Page_SetHeight(page, h);
  HPDF_Page_DrawImage(page, picture, 0, 0, w, h);
  if (!pdf.ok() || HPDF_SaveToStream(pdf.get()) != HPDF_OK) return std::nullopt;

  std::vector<std::uint8_t> out(HPDF_GetStreamSize(pdf.get()));
  HPDF_UINT32 got = static_cast<HPDF_UINT32>(out.size());
  if (out.empty() || HPDF_ResetStream(pdf.get()) != HPDF_OK ||
      HPDF_ReadFromStream(pdf.get(), out.data(), &got) != HPDF_OK || got != out.size() || !pdf.ok())
    return std::nullopt;
  return out;
}

}  // namespace pictures
