#pragma once
#include <ostream>

// From now on, each dialog this thread opens has every control's text measured as the
// control draws it, against the room the control gives the text, once the dialog has
// set its texts: one line per control, before the dialog's own result line,
//   fit id=I need=W,H room=W,H      (pixels)
// Only the Windows build measures; on Linux the GTK host's suite measures its labels.
void WatchFits(std::ostream& out);
