#include "platform/filedialog/save_name_rules.h"

#include <QRegularExpression>
#include <cstring>

namespace filedialog {

QList<FilterPair> parseFilterList(const char* list) {
  QList<FilterPair> pairs;
  if (list == nullptr) return pairs;
  const char* at = list;
  while (*at != '\0') {
    const QString description = QString::fromLocal8Bit(at);
    at += std::strlen(at) + 1;
    if (*at == '\0') break;
    const QString pattern = QString::fromLocal8Bit(at);
    at += std::strlen(at) + 1;
    pairs.append({description, pattern});
  }
  return pairs;
}

namespace {
QStringList patternsOf(const QString& pattern) {
  static const QRegularExpression separators("[;\\s]+");
  return pattern.split(separators, Qt::SkipEmptyParts);
}
}  // namespace

QStringList offeredExtensions(const QList<FilterPair>& filters) {
  QStringList extensions;
  for (const FilterPair& pair : filters) {
    for (const QString& part : patternsOf(pair.pattern)) {
      if (part == "*" || part == "*.*") return {};
      if (!part.startsWith("*.")) continue;
      const QString extension = part.mid(1);
      if (extension.size() > 1 && !extension.contains('*') && !extension.contains('?') &&
          !extensions.contains(extension))
        extensions.append(extension);
    }
  }
  return extensions;
}

QString typeExtension(const FilterPair& pair) {
  const QStringList extensions = offeredExtensions({pair});
  return extensions.size() == 1 ? extensions.first() : QString();
}

QString completeName(const QString& name, const QString& defaultExtension) {
  const QString last = name.mid(name.lastIndexOf('/') + 1);
  if (last.isEmpty() || last.contains('.') || defaultExtension.isEmpty()) return name;
  return name + '.' + defaultExtension;
}

bool hasOfferedExtension(const QString& name, const QStringList& extensions) {
  if (extensions.isEmpty()) return true;
  for (const QString& extension : extensions)
    if (name.endsWith(extension, Qt::CaseSensitive)) return true;
  return false;
}

QString nameFilterText(const FilterPair& pair) {
  const QString patterns = patternsOf(pair.pattern).join(' ');
  const QString description = pair.description.trimmed();
  return description == patterns ? patterns : description + " (" + patterns + ")";
}

}  // namespace filedialog
