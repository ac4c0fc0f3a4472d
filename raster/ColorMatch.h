#pragma once

#include <QRgb>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// Squared distance in red, green and blue; alpha is ignored.
inline int colorDistance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

// Brute-force nearest entry: smallest squared distance, the lowest index on a tie.
int nearestColorIndexSlow(std::span<const QRgb> table, QRgb c);

// Exact nearest-colour mapping into a table of up to 256 colours, fast on whole images.
// RGB space is cut into 32 x 32 x 32 cells; a cell lazily keeps the few entries that can be the
// nearest to any colour inside it, and recent answers are remembered, so mapping a pixel costs a
// cache probe or a scan of a short list instead of the whole table.
class NearestColorTable {
  public:
    explicit NearestColorTable(std::span<const QRgb> table);

    int indexOf(QRgb c);
    std::span<const QRgb> colors() const { return colors_; }

  private:
    static constexpr int kCellBits = 5;
    static constexpr int kCells = 1 << (3 * kCellBits);
    static constexpr int kMemoSize = 4096;

    const uint8_t* candidates(int cell);

    std::vector<QRgb> colors_;
    std::vector<int32_t> cellStart_;  // -1 until the cell's list is built
    std::vector<uint8_t> lists_;      // per built cell: count, then that many indices
    std::array<uint32_t, kMemoSize> memoKey_{};
    std::array<uint8_t, kMemoSize> memoIndex_{};
};

}  // namespace tarvo
