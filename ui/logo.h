// The messenger's logo: the "logofile" bitmap when it loads, the built-in one otherwise, drawn
// with the colour of its top-left pixel transparent.
#pragma once

#include <QImage>
#include <QPixmap>

namespace zep {

// Loads the logo into `image`; false only when neither the file nor the built-in image loads.
bool LoadLogo(QImage& image);
// The image with every pixel of its top-left colour made transparent; the source is unchanged.
QPixmap TransparentTopLeft(const QImage& image);

} // namespace zep
