#include "platform/runtime/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/files/unique_fd.h"
#include "platform/runtime/paths.h"

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

// A settings file as found on disk. Opening without blocking keeps a named
// pipe in the file's place from holding up the program; the size is looked
// at before anything is read, so a huge (or sparse) file costs nothing.
struct FileRead {
  enum Kind { Missing, Read, Unreadable } kind = Missing;
  QByteArray bytes;
  QString reason;  // Unreadable: why
};

FileRead readFile(const QString& path) {
  const files::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0)
    return errno == ENOENT || errno == ENOTDIR ? FileRead{} : FileRead{FileRead::Unreadable, {}, SystemReason(errno)};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {FileRead::Unreadable, {}, SystemReason(errno)};
  if (!S_ISREG(st.st_mode)) return {FileRead::Unreadable, {}, QStringLiteral("it is not a regular file")};
  const QString tooLarge = QStringLiteral("it is larger than %1 MiB").arg(kMaxSettingsBytes / (1024 * 1024));
  if (st.st_size > kMaxSettingsBytes) return {FileRead::Unreadable, {}, tooLarge};
  // One byte more than allowed tells a file that grew since.
  QByteArray bytes(static_cast<qsizetype>(st.st_size) + 1, Qt::Uninitialized);
  qsizetype got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.get(), bytes.data() + got, static_cast<std::size_t>(bytes.size() - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {FileRead::Unreadable, {}, SystemReason(errno)};
    if (n == 0) break;
    got += n;
    if (got > kMaxSettingsBytes) return {FileRead::Unreadable, {}, tooLarge};
    if (got == bytes.size()) bytes.resize(bytes.size() * 2);
  }
  bytes.resize(got);
  return {FileRead::Read, bytes, {}};
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

namespace {

struct Change {
  QString section, key, value;
};

// Later saves of large files not yet written, per file, one per key.
std::map<QString, std::vector<Change>>& pendingChanges() {
  static std::map<QString, std::vector<Change>> pending;
  return pending;
}
// Files replaced by a Later save and not flushed since.
std::set<QString>& unflushedFiles() {
  static std::set<QString> files;
  return files;
}

std::function<void(const QString&, const QString&)>& teller() {
  static std::function<void(const QString&, const QString&)> tell;
  return tell;
}
std::set<QString>& toldFiles() {
  static std::set<QString> told;
  return told;
}
std::set<QString>& refusedFiles() {
  static std::set<QString> refused;
  return refused;
}

// The file's lines with the changes still pending for it; nothing when it
// cannot be read, which is told once.
std::optional<std::vector<Line>> currentLines(const QString& path, QString* whyUnreadable = nullptr) {
  const FileRead read = readFile(path);
  if (read.kind == FileRead::Unreadable) {
    if (toldFiles().insert(path).second) {
      if (teller()) teller()(path, read.reason);
      else std::fprintf(stderr, "%s could not be read: %s\n", qPrintable(path), qPrintable(read.reason));
    }
    if (whyUnreadable) *whyUnreadable = read.reason;
    return std::nullopt;
  }
  std::vector<Line> lines = splitLines(read.bytes);
  if (const auto pending = pendingChanges().find(path); pending != pendingChanges().end())
    for (const Change& c : pending->second) putValue(lines, c.section, c.key, c.value);
  return lines;
}

std::optional<QByteArray> rawValue(const QString& application, const QString& section, const QString& key) {
  const auto lines = currentLines(SettingsFile(application));
  if (!lines) return std::nullopt;
  bool inSection = section.isEmpty();
  for (const Line& line : *lines) {
    const Meaning m = meaningOf(line.text);
    if (m.kind == Meaning::Section) inSection = sameName(m.name, section);
    else if (m.kind == Meaning::Key && inSection && sameName(m.name, key)) return line.text.mid(m.valueStart);
  }
  return std::nullopt;
}

bool writeLines(const QString& path, const std::vector<Line>& lines, files::Flush flush) {
  QByteArray bytes;
  for (const Line& line : lines) bytes += line.text + line.end;
  QDir().mkpath(ConfigFolder());
  return files::writeFileAtomically(QFile::encodeName(path).toStdString(), bytes.constData(),
                                    static_cast<std::size_t>(bytes.size()), files::Commit::Replace, flush);
}

qint64 sizeOf(const std::vector<Line>& lines) {
  qint64 size = 0;
  for (const Line& line : lines) size += line.text.size() + line.end.size();
  return size;
}

// Later saves of small files still in memory are written (not flushed)
// together; a large file waits for the flush.
void writePendingChanges() {
  std::vector<QString> paths;
  for (const auto& [path, changes] : pendingChanges()) paths.push_back(path);
  for (const QString& path : paths) {
    const std::optional<std::vector<Line>> lines = currentLines(path);
    if (!lines || sizeOf(*lines) > kRewriteBytes) continue;
    // One that cannot be written now waits for the flush, which tells it.
    if (!writeLines(path, *lines, files::Flush::Later)) continue;
    pendingChanges().erase(path);
    unflushedFiles().insert(path);
  }
}

// Whether a Later save can wait in memory for the others of its second:
// F12 held down or a fast feeder stores a path several times a second, and
// each rewrite costs more than the capture's own steps. A value lost to a
// crash in that second costs nothing (the next name skips every file
// taken). Without an event loop the save is written at once.
bool writeSoon() {
  static bool scheduled = false;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return false;
  if (!scheduled) {
    scheduled = true;
    QTimer::singleShot(kLaterWriteMs, app, [] {
      scheduled = false;
      writePendingChanges();
    });
  }
  return true;
}

}  // namespace

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
  const std::optional<QByteArray> raw = rawValue(application, section, key);
  if (!raw) return defaultValue;
  QByteArray trimmed = *raw;
  while (!trimmed.isEmpty() && isBlank(trimmed.back())) trimmed.chop(1);
  return decode(QString::fromUtf8(trimmed));
}

std::optional<QString> GetSettingText(const QString& application, const QString& section, const QString& key,
                                      const QString& defaultValue) {
  const std::optional<QByteArray> raw = rawValue(application, section, key);
  if (raw && QString::fromUtf8(*raw).toUtf8() != *raw) return std::nullopt;
  return GetSetting(application, section, key, defaultValue);
}

SettingSaved StoreSetting(const QString& application, const QString& section, const QString& key,
                          const QString& value, Durability durability) {
  const QString path = SettingsFile(application);
  QString whyUnreadable;
  std::optional<std::vector<Line>> lines = currentLines(path, &whyUnreadable);
  if (!lines) return {SettingSaved::Unreadable, whyUnreadable, refusedFiles().insert(path).second};
  putValue(*lines, section, key, value);
  const bool later = durability == Durability::Later;
  if (later && (sizeOf(*lines) > kRewriteBytes || writeSoon())) {
    std::vector<Change>& pending = pendingChanges()[path];
    std::erase_if(pending, [&](const Change& c) { return sameName(c.section, section) && sameName(c.key, key); });
    pending.push_back({section, key, value});
    return {};
  }
  if (!writeLines(path, *lines, later ? files::Flush::Later : files::Flush::Now)) return {SettingSaved::Failed, {}, false};
  pendingChanges().erase(path);
  if (later) unflushedFiles().insert(path);
  else unflushedFiles().erase(path);
  return {};
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
  return static_cast<bool>(StoreSetting(application, section, key, value, Durability::Now));
}

bool FlushSettings() {
  // Written once more, flushed: the write follows a settings file that is a
  // link, where a flush of the name alone would not.
  std::set<QString> paths = std::move(unflushedFiles());
  unflushedFiles().clear();
  for (const auto& [path, changes] : pendingChanges()) paths.insert(path);
  bool ok = true;
  for (const QString& path : paths) {
    if (!pendingChanges().count(path) && !QFileInfo::exists(path)) continue;  // removed since: nothing to flush
    const std::optional<std::vector<Line>> lines = currentLines(path);
    if (!lines || !writeLines(path, *lines, files::Flush::Now)) {
      ok = false;
      continue;
    }
    pendingChanges().erase(path);
  }
  return ok;
}

void OnUnreadableSettings(std::function<void(const QString& file, const QString& reason)> tell) {
  teller() = std::move(tell);
}

void ForgetToldSettings() {
  toldFiles().clear();
  refusedFiles().clear();
  pendingChanges().clear();
  unflushedFiles().clear();
}

}  // namespace rt
