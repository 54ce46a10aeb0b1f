// The save-as command from any current scheme and any name the dialog
// gives back: the dialog wrapper's buffers, then the scheme derived from
// the chosen name, then the name of the next capture.
//
// Input: a flags byte, a 32-bit filter index the dialog reports, the base
// path, 0xFF, the counter, 0xFF, the chosen name's bytes as the dialog
// writes them (a full buffer has no terminator), 0xFF, the file title's.
//
// Invariants: the wrapper hands the dialog terminated buffers and reads
// back no more than they hold; a cancel changes nothing; FileExt is the last
// four characters of the chosen name and the label announces its last
// three; a numbered name is taken as it is, any other name gets a counter;
// the next capture keeps the chosen folder, stem and extension.

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_env.h"
#include "platform/filedialog/open_file_name.h"
#include "platform/runtime/paths.h"
#include "stills/mCmnDlg.h"
#include "stills/next_name.h"

namespace {

using fuzzing::check;

bool allDigits(const QString& text) {
  for (QChar c : text)
    if (c < '0' || c > '9') return false;
  return !text.isEmpty();
}

struct DialogAnswer {
  bool confirm = false;
  std::uint32_t filterIndex = 0;
  QByteArray file, title;
};

// Stands in for the dialog: checks what it was handed, writes the answer
// into the record's buffers the way the platform's dialog would.
std::int32_t answer(filedialog::OPENFILENAME* r, const DialogAnswer& a) {
  check(r->lStructSize == filedialog::kOpenFileNameSize, "record size");
  check(r->nMaxFile == 1024 && r->nMaxFileTitle == 512, "buffer sizes");
  check(strnlen(r->lpstrFile, r->nMaxFile) < r->nMaxFile, "initial name not terminated in its buffer");
  check(strnlen(r->lpstrFileTitle, r->nMaxFileTitle) < r->nMaxFileTitle, "title not terminated in its buffer");
  const char* filter = r->lpstrFilter;
  while (*filter) filter += std::strlen(filter) + 1;  // the list ends at a double zero
  if (!a.confirm) return 0;
  std::memset(r->lpstrFile, 0, r->nMaxFile);
  std::memcpy(r->lpstrFile, a.file.constData(), std::min<std::size_t>(a.file.size(), r->nMaxFile));
  std::memset(r->lpstrFileTitle, 0, r->nMaxFileTitle);
  std::memcpy(r->lpstrFileTitle, a.title.constData(), std::min<std::size_t>(a.title.size(), r->nMaxFileTitle));
  r->nFilterIndex = a.filterIndex;
  return 1;
}

void checkChoice(const QString& chosen, const QString& basePath, const QString& fileCounter) {
  const stills::SaveAsResult result = stills::ChooseFromSavedName(chosen, basePath, fileCounter);
  const stills::NumberedName& name = result.name;
  const qsizetype length = chosen.size();
  check(name.FileExt == chosen.right(4), "FileExt is not the last four characters of the name");
  check(result.label == "*." + chosen.right(3), "the label does not announce the chosen format");
  check(name.FilePath.endsWith("." + chosen.right(3)), "the path does not end in the chosen format");
  check(!name.FileCounter.isEmpty(), "an empty counter");

  const bool dotted = length >= 4 && chosen[length - 4] == '.';
  const bool numbered = length > 8 && allDigits(chosen.mid(length - 8, 4));
  if (dotted && numbered) {
    // The counter is the whole run of digits in front of the extension.
    check(name.FilePath == chosen && name.FileCounter.size() >= 4 && allDigits(name.FileCounter) &&
              chosen.left(length - 4).endsWith(name.FileCounter) &&
              !(length - 5 - name.FileCounter.size() >= 0 &&
                allDigits(chosen.mid(length - 5 - name.FileCounter.size(), 1))),
          "a numbered name not taken");
  } else if (dotted && chosen.left(length - 4) != basePath) {
    check(name.FilePath == chosen.left(length - 4) + "0000" + chosen.right(4), "no counter added to a new name");
    check(name.BasePath == chosen.left(length - 4), "base path of a new name");
  }

  // The next capture continues in the chosen folder, under the chosen stem.
  // (A name whose last four characters hold a "/" names a folder, which no
  // dialog returns.)
  if (!dotted || chosen.right(4).contains('/') || !allDigits(name.FileCounter) || name.FileCounter.size() < 4)
    return;
  const QString stem = numbered ? chosen.left(length - 4 - name.FileCounter.size()) : chosen.left(length - 4);
  const stills::NumberedName next = stills::AdvanceName(name, "/fallback/MOR0000.bmp");
  check(next.FilePath != name.FilePath, "the next capture reuses the chosen name");
  check(next.FileExt == name.FileExt && next.FilePath.endsWith(name.FileExt), "the next capture changed format");
  if (!next.FilePath.startsWith("/fallback/")) {
    check(next.FilePath.startsWith(stem), "the next capture lost the chosen stem");
    check(next.FilePath.left(next.FilePath.lastIndexOf('/') + 1) == chosen.left(chosen.lastIndexOf('/') + 1),
          "the next capture left the chosen folder");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  DialogAnswer dialog;
  dialog.confirm = (input.byte() & 1) != 0;
  dialog.filterIndex = static_cast<std::uint32_t>(input.i32());
  const QString basePath = QString::fromUtf8(input.until(0xFF));
  const QString fileCounter = QString::fromUtf8(input.until(0xFF));
  dialog.file = input.until(0xFF);
  dialog.title = input.rest();
  filedialog::setSaveFileNameFunction([&](filedialog::OPENFILENAME* r) { return answer(r, dialog); });

  QString fileName = basePath;
  QString fileTitle = fileCounter;
  std::int32_t flags = -1;
  QString filter = " *.bmp| *.bmp| *.jpg| *.jpg| *.pdf| *.pdf";
  std::int32_t filterIndex = 0;
  std::int32_t resultFlags = 7;
  const rt::Bool16 confirmed = stills::ShowSaveDialog(fileName, fileTitle, flags, filter, filterIndex, QString(),
                                                      "Save Single Frame", "bmp", -1, resultFlags);
  filedialog::setSaveFileNameFunction({});
  if (!dialog.confirm) {
    check(confirmed == rt::False, "a cancel reported as a choice");
    check(fileName == QString(QChar(0)) && filterIndex == 0 && resultFlags == 0, "outputs after a cancel");
    return 0;
  }
  check(confirmed == rt::True, "a choice reported as a cancel");
  const QByteArray file = dialog.file.left(static_cast<qsizetype>(strnlen(dialog.file.constData(), 1024)));
  check(fileName == QString::fromLocal8Bit(file.left(1024)), "the chosen name read back wrongly");
  check(filter == stills::FilterEntry(stills::ConvertFilter(" *.bmp| *.bmp| *.jpg| *.jpg| *.pdf| *.pdf"), filterIndex),
        "the chosen filter entry");

  checkChoice(fileName, basePath, fileCounter);
  return 0;
}
