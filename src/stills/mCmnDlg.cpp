#include "stills/mCmnDlg.h"

#include "platform/runtime/paths.h"

namespace stills {

rt::Bool16 FileExists(const QString& path) { return rt::toBool16(rt::FileLen(path).has_value()); }

}  // namespace stills
