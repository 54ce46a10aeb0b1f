// Bitmap files of any content: decoded from memory, loaded from a file by
// the image library, and loaded by the viewer.
//
// Invariants: no crash or read outside the bytes; a decoded picture is
// valid; the image library loads a file exactly when the decoder accepts its
// bytes, and its handle is released once; the viewer either shows a picture
// or refuses the file without loading itself.

#include <QFile>
#include <cstddef>
#include <cstdint>

#include "app/forms.h"
#include "fuzz_env.h"
#include "platform/files/atomic_file.h"
#include "platform/scan/bmp_decode.h"
#include "platform/scan/image_files.h"
#include "stills/viewer.h"

namespace {

using fuzzing::check;

QString picturePath() { return fuzzing::pictures() + "/fuzz.bmp"; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  fuzzing::useApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that the sanitizer sees any read past the end.
  std::vector<std::uint8_t> bytes(data, data + size);
  bool decoded = false;
  {
    // Released before the next decode: a picture may take hundreds of MB.
    const auto picture = scan::decodeBmp(bytes.data(), bytes.size());
    decoded = picture.has_value();
    if (picture) {
      check(scan::isValid(*picture), "decoded an invalid picture");
      check(picture->channels == 1 || picture->channels == 3, "channels");
    }
  }

  const QString path = picturePath();
  check(files::writeFileAtomically(QFile::encodeName(path).toStdString(), data, size, files::Commit::Replace),
        "cannot write the input file");
  const QByteArray name = QFile::encodeName(path);
  const std::int32_t handle = TWAIN_LoadNativeFromFilename(name.constData());
  check((handle != 0) == decoded, "the library and the decoder disagree");
  if (handle != 0) {
    check(DIB_Free(handle) == scan::kWriteOk, "releasing the picture failed");
    check(DIB_Free(handle) == scan::kBadHandle, "a picture released twice");
  }

  if (stills::LoadViewerPicture(path)) {
    app::Form3.Unload();  // the next input starts without a viewer again
    fuzzing::settle();
  } else {
    check(!app::Form3.IsLoaded(), "a refused picture loaded the viewer");
  }
  return 0;
}
