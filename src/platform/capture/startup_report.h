#pragma once

namespace capture {

// With VIC_REPORT_FIRST_FRAME set in the environment, says on standard error
// how long after the process started the first frame was painted (once).
// The start-up benchmark reads it.
void reportFirstFramePainted();

}  // namespace capture
