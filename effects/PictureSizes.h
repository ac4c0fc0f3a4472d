#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class QSvgRenderer;

namespace tarvo {

class TIcon;

// The sizes offered when a document's images are made from one picture.
inline constexpr std::array<int, 10> kStandardSizes = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};

// One picture, to be made into square images of any size: an SVG is rendered afresh at each size,
// so small sizes stay crisp; any other picture is scaled from its full size with area filtering,
// on premultiplied pixels so that clear pixels lend no colour to the edges.
class TPictureSource {
  public:
    // Reads a picture file (SVG, PNG, JPEG, GIF, BMP...). Throws EInvalidGraphic for one that
    // cannot be read, EReadError for one that cannot be opened.
    explicit TPictureSource(const QString& fileName);
    explicit TPictureSource(QImage picture);
    ~TPictureSource();

    // The picture at size x size, straight ARGB.
    QImage at(int size) const;

  private:
    std::unique_ptr<QSvgRenderer> svg_;
    QImage picture_;
};

// A document of one image per size, each made from the source afresh and then brought to `bits`
// (1, 4, 8, 24 or 32) as Convert Image does.
std::unique_ptr<TIcon> imagesFromPicture(const TPictureSource& source,
                                         const std::vector<int>& sizes, int bits);

}  // namespace tarvo
