#include "stills/numbered_name.h"

namespace stills {

NumberedPath SplitNumberedPath(const QString& path) {
  const auto length = path.size();
  return {path.right(4), path.left(length - 4), length >= 8 ? path.mid(length - 8, 4) : QString()};
}

}  // namespace stills
