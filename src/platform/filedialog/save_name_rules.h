#pragma once
// What the save-file dialog accepts: names ending in one of the extensions
// it offers, or in none (the default extension then completes them).

#include <QString>
#include <QStringList>

namespace filedialog {

struct FilterPair {
  QString description;
  QString pattern;
};

// The pairs of a list of zero-separated texts that ends in two zeros
// (anything after the double zero is ignored). A description without a
// pattern is dropped.
QList<FilterPair> parseFilterList(const char* list);

// ".bmp" for " *.bmp"; patterns separated by ";" or blanks each give one.
// Empty when some pattern accepts any name ("*" or "*.*").
QStringList offeredExtensions(const QList<FilterPair>& filters);

// The one extension an entry offers (".jpg" for " *.jpg"); empty when it
// offers none or several.
QString typeExtension(const FilterPair& pair);

// The name with "." and the default extension added when its last
// component has no dot at all; unchanged otherwise.
QString completeName(const QString& name, const QString& defaultExtension);

// True when the (completed) name ends in one of the offered extensions,
// compared exactly; every name passes when none are offered.
bool hasOfferedExtension(const QString& name, const QStringList& extensions);

// The label of one entry as the dialog lists it: "description (patterns)",
// or the patterns alone when the description only repeats them.
QString nameFilterText(const FilterPair& pair);

}  // namespace filedialog
