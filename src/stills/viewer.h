#pragma once
// Filling the viewer window. Referencing it loads it; only Show makes it
// visible.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace stills {

// Shows the viewer non-modal, without an owner and without taking the
// keyboard focus from the capture window. A viewer that was not on screen
// opens beside the capture window that is open; while that window is still
// being loaded, the viewer waits until it is shown.
void ShowViewer();
// The label: the path in display form (or any text given as it is).
void SetViewerLabel(const QString& text);
void SetViewerLabelToPath(const QString& path);
// Loads a BMP or JPEG file as the viewer's picture; false, with the viewer
// untouched (not even loaded), when the file cannot be read as a picture.
bool LoadViewerPicture(const QString& path);
// The viewer's picture from one already in memory, read from the file at
// `path` (nothing for a null picture).
void SetViewerPicture(const QImage& picture, const QString& path);

// The largest picture the viewer keeps; files and pages are decoded or
// sampled down to fit it.
constexpr QSize kViewerPictureMost(1024, 768);

// A picture in memory (a scanned page, say) as the viewer keeps it: reduced
// by the smallest whole factor that fits it in kViewerPictureMost.
QImage ViewerSizedImage(const QImage& picture);

// Where the viewer's frame goes beside the owner's frame: to its right when
// the screen has room, else to its left, below or above; when none has
// room, as far right as the screen allows. Top edges line up where they can.
QPoint ViewerPosition(const QRect& ownerFrame, const QSize& viewerFrame, const QRect& screen);

}  // namespace stills
