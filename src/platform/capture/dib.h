#pragma once
// Frames saved to files, as the capture window's save message asks.

#include <QImage>
#include <string>

#include "platform/pictures/picture_store.h"
#include "platform/window/window.h"

namespace capture {

// What a caller of the save message (WM_CAP_FILE_SAVEDIBA) may hand over in
// its wParam: the format to store the frame in and how to find another name
// when the one asked for is taken; the store's answer comes back in it.
struct FrameSave {
  pictures::Format format = pictures::Format::Bmp;
  pictures::NextName next;
  pictures::StoreResult result;
  bool answered = false;
};

// The save message's answer for `picture`: stored under the path at `path`
// (zero-terminated 8-bit text), as the FrameSave at `request` asks, or as a
// bitmap without one. 1 when it is saved, durable.
win::LRESULT answerSave(pictures::Picture picture, win::WPARAM request, win::LPARAM path);

// The save message's answer for a frame that cannot be saved, for `why`;
// nothing is written.
win::LRESULT answerRefusal(const QString& why, win::WPARAM request, win::LPARAM path);

// Writes the frame as an uncompressed 24-bit bitmap file under `path`,
// durable, never replacing an existing file; on any failure nothing is
// left under `path`.
bool saveDib(const QImage& image, const std::string& path);

}  // namespace capture
