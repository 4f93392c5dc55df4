// A small image control that draws its image with the colour of the top-left pixel transparent;
// the wizards show the logo with it.
#pragma once

#include <QImage>
#include <QLabel>

namespace zep {

class CTransparentBitmap : public QLabel
{
    Q_OBJECT
public:
    explicit CTransparentBitmap(QWidget* parent = nullptr);

    // Shows `image` (keyed on its top-left colour) and returns the image it replaces.
    QImage SetBitmap(const QImage& image);
    const QImage& Bitmap() const { return m_image; }

    // Loads the logo and shows it, keeping the control's top-right corner where it was and
    // taking the image's size. A logo that does not load leaves the control as it is.
    bool ShowLogo();

private:
    QImage m_image;
};

} // namespace zep
