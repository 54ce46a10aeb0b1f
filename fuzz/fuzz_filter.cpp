// The save dialog's filter list: converting any text, and picking any entry
// of it (or of any list at all).
//
// Input: a 32-bit entry number, then the filter text (UTF-8).
//
// Invariants: the converted list is the text with every "|" and ":" made a
// zero character and two zero characters added; an entry is always a piece
// of the list; for a text whose pieces are all non-empty and free of zero
// characters, entry i is piece 2i-1, a zero character, piece 2i.

#include <QStringList>
#include <optional>
#include <cstddef>
#include <cstdint>

#include "fuzz_env.h"
#include "stills/mCmnDlg.h"

namespace {

using fuzzing::check;
const QChar kZero(0);

void checkConversion(const QString& text, const QString& converted) {
  check(converted.size() == text.size() + 2, "converted length");
  check(converted.endsWith(QString(2, kZero)), "converted list does not end in two zeros");
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool separator = text[i] == '|' || text[i] == ':';
    check(converted[i] == (separator ? kZero : text[i]), "converted character");
  }
}

// What entry n must be when every piece of the text is a plain, non-empty
// text; nothing when the text is not of that kind.
std::optional<QString> expectedEntry(const QString& text, std::int32_t n) {
  if (text.isEmpty() || text.contains(kZero)) return std::nullopt;
  QStringList pieces;
  QString piece;
  for (QChar c : text) {
    if (c == '|' || c == ':') {
      pieces << piece;
      piece.clear();
    } else {
      piece += c;
    }
  }
  pieces << piece;
  for (const QString& p : pieces)
    if (p.isEmpty()) return std::nullopt;
  if (n < 1) return QString();
  const qsizetype description = 2 * static_cast<qsizetype>(n) - 2;
  if (description >= pieces.size()) return QString();
  if (description + 1 == pieces.size()) return pieces[description] + kZero;  // a description without pattern
  return pieces[description] + kZero + pieces[description + 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const std::int32_t n = input.i32();
  const QString text = QString::fromUtf8(input.rest());

  const QString converted = stills::ConvertFilter(text);
  checkConversion(text, converted);

  const QString entry = stills::FilterEntry(converted, n);
  check(converted.contains(entry), "an entry that is not part of the list");
  check(!entry.contains(QString(2, kZero)), "an entry running over the end of the list");
  if (n < 1) check(entry.isEmpty(), "an entry for a number below 1");
  if (const auto expected = expectedEntry(text, n)) check(entry == *expected, "wrong entry");

  // Lists that did not come from the conversion: no double zero at the end,
  // zero characters anywhere.
  const QString raw = stills::FilterEntry(text, n);
  check(text.contains(raw), "an entry that is not part of a raw list");
  if (n < 1) check(raw.isEmpty(), "a raw entry for a number below 1");
  return 0;
}
