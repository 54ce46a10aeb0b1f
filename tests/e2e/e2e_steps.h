#pragma once
// What several end-to-end tests share: the window titles, the scanner they
// scan from and how they look at the files written.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testing_support {
class Program;
}

namespace e2e {

inline const QString kLiveTitle = "^Orvalux Video Image Capture 1.22$";
inline const QString kTwainTitle = "^Orvalux Video Image Capture 1.22 - Twain Capture$";
inline const QString kViewerTitle = "^Captured Image$";

// SANE's test backend as the only scanner for programs started from now on;
// its feeder delivers ten small colour pages (75 dpi, 590 x 590 pixels).
// Call it after the settings folder is cleared. With a source, the scanner
// window starts on the test scanner's source of that name; `extra` adds lines
// to the backend's configuration. False when a setting could not be saved.
bool useTestScanner(const QString& source = {}, const QByteArray& extra = {});
// Starts the program: its live window, or empty when that does not show.
QString startLive(testing_support::Program& program);
// alt+t into the live window, which has the focus: the scanner window once
// it shows and has the keyboard focus, else empty.
QString openScannerWindow(testing_support::Program& program);
// The names stem + counter + ext for the counters first..last.
QStringList numbered(const QString& stem, int first, int last, const QString& ext);
// The visible files of a folder, by name.
QStringList filesIn(const QString& folder);
// True when the file holds what its extension says (.bmp, .jpg or .pdf),
// complete, as a decoder reads it.
bool holdsFormat(const QString& path);

}  // namespace e2e
