#pragma once
// The program's settings: their names, and how each stored text is read.

#include <QString>
#include <cstdint>

#include "platform/runtime/vb.h"

namespace app {

inline const QString kAppTitle = "PAX";  // also the caption of the program's message boxes
inline const QString kTwainAppTitle = "OrvaluxSoftware";

inline const QString kDriverApp = kAppTitle;
inline const QString kDriverSection = "driver";
inline const QString kDriverKey = "index";
inline const QString kPathsApp = "ZENO";
inline const QString kPathsSection = "PARAS";
inline const QString kPathKey = "Path";
inline const QString kBorderKey = "Border";
inline const QString kNotStored = "New";

// The live window's default file and the scanner window's.
QString DefaultLivePath();   // MOR0000.bmp in the Pictures folder
QString DefaultTwainPath();  // ZENO0000.bmp in the Pictures folder
QString DefaultSaveName();   // PAX in the Pictures folder

// "index": the leading number, rounded halves to even; anything that is not
// a driver entry (above `highestIndex`, below 0, beyond 32 bits) gives 0.
std::int32_t DriverIndexFromSetting(const QString& stored, std::int32_t highestIndex);

// "Path" for the live window: empty, "New", too short to hold a counter and
// an extension, or holding a zero character gives the default.
QString LivePathFromSetting(const QString& stored);

// "Path" for the scanner window: likewise, with its own default.
QString TwainPathFromSetting(const QString& stored);

// Stores `path` as "Path", the file the next start numbers on from; false
// when the settings file could not be written.
bool StorePath(const QString& path);
// The message for a "Path" that could not be stored when a window closes.
void TellPathNotStored();

// "Border": "New" and "1" freeze the border (FreeResize false).
rt::Bool16 FreeResizeFromSetting(const QString& stored);

// The shortest path that holds a stem, four counter digits and an extension.
constexpr int kMinNumberedPathLength = 8;

}  // namespace app
