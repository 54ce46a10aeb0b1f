#pragma once
// Filling the viewer window. Referencing it loads it; only Show makes it
// visible.

#include <QImage>
#include <QString>

namespace stills {

// Shows the viewer non-modal, without an owner.
void ShowViewer();
// The label: the path in display form (or any text given as it is).
void SetViewerLabel(const QString& text);
void SetViewerLabelToPath(const QString& path);
// Loads a BMP or JPEG file as the viewer's picture; false, with the viewer
// untouched (not even loaded), when the file cannot be read as a picture.
bool LoadViewerPicture(const QString& path);
// The viewer's picture from one already in memory (nothing for a null one).
void SetViewerPicture(const QImage& picture);

}  // namespace stills
