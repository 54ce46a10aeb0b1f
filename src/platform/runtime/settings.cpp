#include "platform/runtime/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files/atomic_file.h"

namespace rt {

namespace {

// Values are kept verbatim but for the characters that would break the line
// structure, and blanks at either end (which reading trims), all
// percent-encoded.
QString encode(const QString& value) {
  QString out;
  const auto blank = [](QChar c) { return c == ' ' || c == '\t'; };
  qsizetype first = 0, last = value.size();
  while (first < last && blank(value[first])) ++first;
  while (last > first && blank(value[last - 1])) --last;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == '%') out += "%25";
    else if (c == '\n') out += "%0A";
    else if (c == '\r') out += "%0D";
    else if ((i < first || i >= last) && c == ' ') out += "%20";
    else if ((i < first || i >= last) && c == '\t') out += "%09";
    else out += c;
  }
  return out;
}

QString decode(const QString& value) {
  static const std::pair<const char*, char> kCodes[] = {
      {"%25", '%'}, {"%0A", '\n'}, {"%0D", '\r'}, {"%3D", '='}, {"%20", ' '}, {"%09", '\t'}};
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QString code = value.mid(i, 3);
    const auto known = std::find_if(std::begin(kCodes), std::end(kCodes), [&](const auto& k) { return code == k.first; });
    if (known == std::end(kCodes)) {
      out += value[i];
      continue;
    }
    out += QChar(known->second);
    i += 2;
  }
  return out;
}

// One line of the file as it stands, with its own line end, so that a
// rewrite keeps every line it does not change byte for byte (comments, keys
// it does not know, text that is not UTF-8).
struct Line {
  QByteArray text;
  QByteArray end;  // "\n", "\r\n", "\r", or nothing on a last line without one
};

// Line ends of any of the three kinds.
std::vector<Line> splitLines(const QByteArray& bytes) {
  std::vector<Line> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n' && bytes[i] != '\r') continue;
    const qsizetype endLength = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
    lines.push_back({bytes.mid(start, i - start), bytes.mid(i, endLength)});
    i += endLength - 1;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back({bytes.mid(start), {}});
  return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// What a line says, read as people write INI files: indented or not, blanks
// around names and around '=', names in any case.
struct Meaning {
  enum Kind { Other, Section, Key } kind = Other;
  QString name;
  qsizetype valueStart = 0;  // Key: where the value's bytes begin
  QString value;             // Key: decoded
};

Meaning meaningOf(const QByteArray& text) {
  qsizetype first = 0;
  while (first < text.size() && isBlank(text[first])) ++first;
  if (first == text.size() || text[first] == ';' || text[first] == '#') return {};
  if (text[first] == '[') {
    const qsizetype close = text.indexOf(']', first);
    if (close < 0) return {};
    return {Meaning::Section, QString::fromUtf8(text.mid(first + 1, close - first - 1)).trimmed(), 0, {}};
  }
  const qsizetype eq = text.indexOf('=', first);
  if (eq <= first) return {};
  const QString key = decode(QString::fromUtf8(text.mid(first, eq - first)).trimmed());
  if (key.isEmpty()) return {};
  qsizetype valueStart = eq + 1;
  while (valueStart < text.size() && isBlank(text[valueStart])) ++valueStart;
  QByteArray raw = text.mid(valueStart);
  while (!raw.isEmpty() && isBlank(raw.back())) raw.chop(1);
  return {Meaning::Key, key, valueStart, decode(QString::fromUtf8(raw))};
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The whole file when it is a regular file, however large. Opening without
// blocking keeps a named pipe in the file's place from holding up the
// program.
QByteArray readRegularFile(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  QByteArray bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    QFile file;
    if (file.open(fd, QIODevice::ReadOnly)) bytes = file.readAll();
  }
  ::close(fd);
  return bytes;
}

// The new value put into the lines: every line of that key changed in
// place, or a line added at the end of its section, or a new section.
void putValue(std::vector<Line>& lines, const QString& section, const QString& key, const QString& value) {
  const QByteArray end = lines.empty() || lines.front().end.isEmpty() ? QByteArray("\n") : lines.front().end;
  const QByteArray newLine = (encode(key).replace('=', "%3D") + '=' + encode(value)).toUtf8();
  // Keys above the first section header belong to the section without a name.
  bool inSection = section.isEmpty(), found = false;
  std::optional<std::size_t> lastOfSection;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Meaning m = meaningOf(lines[i].text);
    if (m.kind == Meaning::Section) inSection = sameName(m.name, section);
    if (!inSection || m.kind == Meaning::Other) continue;
    lastOfSection = i;
    if (m.kind == Meaning::Key && sameName(m.name, key)) {
      lines[i].text = lines[i].text.left(m.valueStart) + encode(value).toUtf8();
      found = true;
    }
  }
  if (found) return;
  if (!lines.empty() && lines.back().end.isEmpty()) lines.back().end = end;
  if (lastOfSection) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastOfSection) + 1, Line{newLine, end});
    return;
  }
  if (!lines.empty()) lines.push_back({{}, end});
  lines.push_back({('[' + section + ']').toUtf8(), end});
  lines.push_back({newLine, end});
}

}  // namespace

QString ConfigFolder() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.config";
  return base + "/video-image-capture";
}

QString SettingsFile(const QString& application) { return ConfigFolder() + '/' + application + ".ini"; }

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
  bool inSection = section.isEmpty();
  for (const Line& line : splitLines(readRegularFile(SettingsFile(application)))) {
    const Meaning m = meaningOf(line.text);
    if (m.kind == Meaning::Section) inSection = sameName(m.name, section);
    else if (m.kind == Meaning::Key && inSection && sameName(m.name, key)) return m.value;
  }
  return defaultValue;
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
  const QString path = SettingsFile(application);
  std::vector<Line> lines = splitLines(readRegularFile(path));
  putValue(lines, section, key, value);
  QByteArray bytes;
  for (const Line& line : lines) bytes += line.text + line.end;
  QDir().mkpath(ConfigFolder());
  return files::writeFileAtomically(QFile::encodeName(path).toStdString(), bytes.constData(),
                                    static_cast<std::size_t>(bytes.size()), files::Commit::Replace);
}

}  // namespace rt
