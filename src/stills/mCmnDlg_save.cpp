#include <QStringList>
#include <array>

#include "platform/filedialog/open_file_name.h"
#include "platform/filedialog/text_buffer.h"
#include "platform/runtime/paths.h"
#include "stills/mCmnDlg.h"

namespace stills {

namespace {
constexpr std::uint32_t kFileBuffer = 1024;
constexpr std::uint32_t kTitleBuffer = 512;
const QChar kZero(0);

// Null text stands for "none": the record gets no pointer at all.
const char* optionalText(const QString& text, const QByteArray& bytes) {
  return text.isNull() ? nullptr : bytes.constData();
}
}  // namespace

QString ConvertFilter(const QString& filter) {
  QString list = filter;
  for (QChar& c : list)
    if (c == '|' || c == ':') c = kZero;
  return list + kZero + kZero;
}

QString FilterEntry(const QString& list, std::int32_t n) {
  if (list == QString(kZero) || n < 1) return {};
  // The list ends at its double zero; a lone zero there is no entry.
  const qsizetype end = list.indexOf(QString(2, kZero));
  const QString entries = end < 0 ? list : list.left(end + 1);
  qsizetype start = 0;
  for (;;) {
    const qsizetype first = entries.indexOf(kZero, start);
    if (first < 0) return {};
    const qsizetype second = entries.indexOf(kZero, first + 1);
    const QString entry = second < 0 ? entries.mid(start) : entries.mid(start, second - start);
    start = second < 0 ? entries.size() : second + 1;
    if (n == 1) return entry;
    if (--n == 0) return {};
  }
}

std::int32_t FilterIndexOf(const QString& filter, const QString& extension) {
  const QStringList parts = filter.split('|');
  for (qsizetype pattern = 1; pattern < parts.size(); pattern += 2)
    if (parts[pattern].trimmed() == "*" + extension) return static_cast<std::int32_t>(pattern / 2 + 1);
  return 0;
}

rt::Bool16 ShowSaveDialog(QString& FileName, QString& FileTitle, std::int32_t& Flags, QString& Filter,
                          std::int32_t& FilterIndex, const QString& InitialDir, const QString& DlgTitle,
                          const QString& DefaultExt, std::int32_t hwndOwner, std::int32_t& ResultFlags) {
  (void)Flags;
  const QString converted = ConvertFilter(Filter);
  const QByteArray filterBytes = rt::Ansi(converted);
  const QByteArray initialDir = rt::Ansi(InitialDir);
  const QByteArray title = rt::Ansi(DlgTitle);
  const QByteArray defaultExt = rt::Ansi(DefaultExt);
  std::array<char, kFileBuffer> file{};
  std::array<char, kTitleBuffer> fileTitle{};
  filedialog::fillBuffer(file.data(), kFileBuffer, FileName);
  filedialog::fillBuffer(fileTitle.data(), kTitleBuffer, FileTitle);

  filedialog::OPENFILENAME record{};
  record.lStructSize = filedialog::kOpenFileNameSize;
  record.hwndOwner = hwndOwner == -1 ? 0 : static_cast<win::HWND>(hwndOwner);
  record.lpstrFilter = filterBytes.constData();
  record.nFilterIndex = static_cast<std::uint32_t>(FilterIndex);
  record.lpstrFile = file.data();
  record.nMaxFile = kFileBuffer;
  record.lpstrFileTitle = fileTitle.data();
  record.nMaxFileTitle = kTitleBuffer;
  record.lpstrInitialDir = optionalText(InitialDir, initialDir);
  record.lpstrTitle = optionalText(DlgTitle, title);
  record.lpstrDefExt = optionalText(DefaultExt, defaultExt);

  if (filedialog::GetSaveFileNameA(&record) != 0) {
    FileName = filedialog::bufferText(file.data(), kFileBuffer);
    FileTitle = filedialog::bufferText(fileTitle.data(), kTitleBuffer);
    ResultFlags = static_cast<std::int32_t>(record.Flags);
    FilterIndex = static_cast<std::int32_t>(record.nFilterIndex);
    Filter = FilterEntry(converted, FilterIndex);
    return rt::True;
  }
  FileName = QString(kZero);
  FileTitle = QString(kZero);
  Filter = QString(kZero);
  ResultFlags = 0;
  FilterIndex = 0;
  return rt::False;
}

}  // namespace stills
