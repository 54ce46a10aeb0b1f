#pragma once
// The program's settings: their names, and how each stored text is read.

#include <QString>
#include <cstdint>

#include "platform/runtime/settings.h"
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

// The stored "Path" as text, "New" when none is stored. A path whose bytes
// are not UTF-8 (a folder named in another encoding) cannot be held as text
// without naming another folder: the user is told, once, and it reads as
// not stored, so that no mangled path is ever written or stored.
QString StoredPathSetting();

// "Path" for the live window: empty, "New", too short to hold a counter and
// an extension, or holding a zero character gives the default.
QString LivePathFromSetting(const QString& stored);

// "Path" for the scanner window: likewise, with its own default.
QString TwainPathFromSetting(const QString& stored);

// Stores `path` as "Path", the file the next start numbers on from. After a
// capture or a page it need not reach the disk at once (a path lost to a
// power cut costs nothing: the next name skips every taken one); when a
// window closes or the user chose a name, it must.
rt::SettingSaved StorePath(const QString& path, rt::Durability durability = rt::Durability::Now);
// The message for a "Path" that could not be stored when a window closes.
// A settings file that could not be read (and so is never replaced) is
// told once per run.
void TellPathNotStored(const rt::SettingSaved& saved);

// "Border": "New" and "1" freeze the border (FreeResize false).
rt::Bool16 FreeResizeFromSetting(const QString& stored);

// The shortest path that holds a stem, four counter digits and an extension.
constexpr int kMinNumberedPathLength = 8;

}  // namespace app
