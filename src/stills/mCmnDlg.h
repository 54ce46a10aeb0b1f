#pragma once
// The common-dialog module: the file test, the save-file dialog wrapper and
// its filter-entry picker.

#include <QString>
#include <cstdint>

#include "platform/runtime/vb.h"

namespace stills {

// True when the file's length can be read: it exists (an empty file counts).
rt::Bool16 FileExists(const QString& path);

// Shows the save-file dialog; true (-1) when the user confirmed a name. All
// arguments are in/out as the dialog record gives them back.
rt::Bool16 ShowSaveDialog(QString& FileName, QString& FileTitle, std::int32_t& Flags, QString& Filter,
                          std::int32_t& FilterIndex, const QString& InitialDir, const QString& DlgTitle,
                          const QString& DefaultExt, std::int32_t hwndOwner, std::int32_t& ResultFlags);

// The filter list as the dialog takes it: "|" and ":" become zero
// characters, and two zero characters end it.
QString ConvertFilter(const QString& filter);

// The n-th description-and-pattern pair of a converted filter (counting
// from 1), or the empty text.
QString FilterEntry(const QString& list, std::int32_t n);

// The entry of a filter list (as given to ShowSaveDialog, "|"-separated)
// whose pattern is "*" followed by `extension`, counting from 1; 0 when no
// entry matches.
std::int32_t FilterIndexOf(const QString& filter, const QString& extension);

}  // namespace stills
