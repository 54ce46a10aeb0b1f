#pragma once
// Points SANE at its "test" backend alone, configured with the given lines of
// test.conf (after a base of two devices, 50 dpi, a white page and a scan
// area of 200 x 200 mm; "geometry_max 355.6" makes room for US Legal), and
// restarts the scanner library so that they apply. The line "no devices"
// leaves the backend out.

#include <QDialog>
#include <QString>
#include <QStringList>

namespace scanner_testing {

void useTestBackend(const QStringList& testConf = {});

// Clicks the button of that object name in a dialog handed to FakeDialogs
// and answers the dialog's result.
int click(QDialog& dialog, const char* button);

// Width and height of the picture in a file, as Qt's reader sees it; -1
// when it cannot be read.
QSize decodedSize(const QString& path);

}  // namespace scanner_testing
