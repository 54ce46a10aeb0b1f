#pragma once
// Where files go on this platform, and the file services the program uses.

#include <QString>
#include <optional>
#include <string>
#include <unordered_set>

namespace rt {

// Makes HOME name the user's home: when it is unset, empty or not an
// absolute path, the password database's home is put there, so that the
// Pictures and settings folders are not looked for at the root. Called at
// the start of main(), before any thread exists.
void SettleHome();

// The user's Pictures folder; default file names live there.
QString PicturesFolder();
// A default file name placed in the Pictures folder ("MOR0000.bmp" and so on).
QString DefaultPicturePath(const QString& fileName);
// Creates the Pictures folder when `path` is to be written into it and it is
// missing; other folders are left alone (a missing one is the user's error).
// The errno when it could not be created, 0 otherwise. A name that is not
// what the file system holds (bytes that were not UTF-8, shown as U+FFFD)
// is never created: EILSEQ.
int EnsurePicturesFolderFor(const QString& path);

// The length of a file in bytes; nothing when it does not exist or the name
// is empty or bad.
std::optional<long long> FileLen(const QString& path);

// The longest file name, in bytes, that the file system holding `folder`
// (or its nearest existing parent) takes.
long NameMax(const QString& folder);

// The names in a folder, read once; nothing when it cannot be read.
std::optional<std::unordered_set<std::string>> FolderEntries(const QString& folder);

// Renames without ever replacing; false when the source is missing or the
// target name exists.
bool Name(const QString& from, const QString& to);

// The system's words for an errno value, e.g. "Permission denied".
QString SystemReason(int error);

// The 8-bit form of a path for the C interfaces.
QByteArray Ansi(const QString& text);

}  // namespace rt
