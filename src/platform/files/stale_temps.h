#pragma once
// Temporary files that a crash left behind. Every writer holds a lock on its
// temporary file while it writes; a file of our naming that nobody holds a
// lock on and that has not changed for a minute is a leftover.

#include <string>
#include <string_view>

namespace files {

// ".vic-" and six more characters, as AtomicFile names its temporary files.
bool isTempName(std::string_view name);

// Removes the leftovers in `folder`; looks at each folder at most once a
// minute, so frequent writes into one folder do not read it every time.
void removeStaleTemps(const std::string& folder);

// The same without the once-a-minute limit.
void removeStaleTempsNow(const std::string& folder);

}  // namespace files
