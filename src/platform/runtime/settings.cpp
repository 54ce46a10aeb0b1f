#include "platform/runtime/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/files/atomic_file.h"

namespace rt {

namespace {

// Values are kept verbatim but for the three characters that would break the
// line structure, which are percent-encoded.
QString encode(const QString& value) {
  QString out;
  for (QChar c : value) {
    if (c == '%') out += "%25";
    else if (c == '\n') out += "%0A";
    else if (c == '\r') out += "%0D";
    else out += c;
  }
  return out;
}

QString decode(const QString& value) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QString code = value.mid(i, 3);
    if (code == "%25") out += '%';
    else if (code == "%0A") out += '\n';
    else if (code == "%0D") out += '\r';
    else if (code == "%3D") out += '=';
    else {
      out += value[i];
      continue;
    }
    i += 2;
  }
  return out;
}

struct Entry {
  QString section, key, value;
};

// At most this much of a file is read; a settings file is a few lines.
constexpr qsizetype kMaxIniBytes = 4 * 1024 * 1024;

// The file's bytes when it is a regular file. Opening without blocking keeps
// a named pipe in the file's place from holding up the program.
QByteArray readRegularFile(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  QByteArray bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    QFile file;
    // Sized to the file: a buffer of the cap for every read costs more than
    // the parsing.
    if (file.open(fd, QIODevice::ReadOnly)) bytes = file.read(std::min<qint64>(st.st_size, kMaxIniBytes));
  }
  ::close(fd);
  return bytes;
}

std::vector<Entry> readIni(const QString& path) {
  std::vector<Entry> entries;
  const QByteArray bytes = readRegularFile(path);
  QString section;
  for (const QString& raw : QString::fromUtf8(bytes).split('\n')) {
    QString line = raw;
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith('[') && line.endsWith(']')) {
      section = line.mid(1, line.size() - 2);
      continue;
    }
    const auto eq = line.indexOf('=');
    if (eq <= 0 || line.startsWith(';') || line.startsWith('#')) continue;
    entries.push_back({section, decode(line.left(eq)), decode(line.mid(eq + 1))});
  }
  return entries;
}

QByteArray renderIni(const std::vector<Entry>& entries) {
  QStringList sections;
  for (const Entry& e : entries)
    if (!sections.contains(e.section)) sections << e.section;
  QString text;
  for (const QString& section : sections) {
    if (!text.isEmpty()) text += '\n';
    text += '[' + section + "]\n";
    for (const Entry& e : entries)
      if (e.section == section) text += encode(e.key).replace('=', "%3D") + '=' + encode(e.value) + '\n';
  }
  return text.toUtf8();
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
  for (const Entry& e : readIni(SettingsFile(application)))
    if (e.section == section && e.key == key) return e.value;
  return defaultValue;
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
  const QString path = SettingsFile(application);
  std::vector<Entry> entries = readIni(path);
  bool found = false;
  for (Entry& e : entries) {
    if (e.section == section && e.key == key) {
      e.value = value;
      found = true;
    }
  }
  if (!found) entries.push_back({section, key, value});
  QDir().mkpath(ConfigFolder());
  const QByteArray bytes = renderIni(entries);
  return files::writeFileAtomically(QFile::encodeName(path).toStdString(), bytes.constData(),
                                    static_cast<std::size_t>(bytes.size()), files::Commit::Replace);
}

}  // namespace rt
