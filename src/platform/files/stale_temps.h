#pragma once
// Temporary files that a crash left behind. Every writer holds a lock on its
// temporary file while it writes; a file of our naming that nobody holds a
// lock on and that has not changed for a minute is a leftover. A leftover
// on its way to a name (new_file.h, pendingTarget) is a whole file that lost
// only its rename: it is finished instead, when it is whole.

#include <string>
#include <string_view>

namespace files {

class Folder;

// ".vic-" and six more characters, as new files name their temporaries.
bool isTempName(std::string_view name);

// Removes the leftovers in `folder`; looks at each folder at most once a
// minute, so frequent writes into one folder do not read it every time.
void removeStaleTemps(const std::string& folder);

// The same without the once-a-minute limit.
void removeStaleTempsNow(const std::string& folder);

// Whether the open file `fd` is whole by the structure of the format that
// the name `target` asks for.
using WholeCheck = bool (*)(int fd, const std::string& target);

// Gives every unlocked pending temporary in `folder` its name when it is
// whole and the name is free or holds only the empty placeholder; leaves
// both as they are otherwise. Answers how many were finished.
int recoverPending(const Folder& folder, WholeCheck whole);

// removeStaleTemps and recoverPending, at most once a minute per folder.
void tidyFolder(const Folder& folder, WholeCheck whole);

}  // namespace files
