#pragma once

#include <string>

namespace files {

// The folder part of a path: "." for a bare name, "/" for a name at the root.
inline std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace files
