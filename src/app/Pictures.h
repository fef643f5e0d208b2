#pragma once

#include <QPixmap>
#include <QSize>

// The main window's pictures, drawn at start instead of shipped as image files.

// The banner across the top of the window (ImgTop, 718 x 118).
QPixmap BannerPicture(const QSize &size);
// The right end of the banner with the product mark (Image2, 100 x 118).
QPixmap BannerEndPicture(const QSize &size);
// The small arrow in front of the check link (Image1, 16 x 13).
QPixmap MarkerPicture(const QSize &size);
// The frame behind a button of the bottom bar (ImgSettings, ImgExit, 142 x 21).
QPixmap ButtonBackgroundPicture(const QSize &size);
