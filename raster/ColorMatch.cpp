#include "raster/ColorMatch.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tarvo {

int nearestColorIndexSlow(std::span<const QRgb> table, QRgb c) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < table.size(); ++i) {
        const int d = colorDistance(table[i], c);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

NearestColorTable::NearestColorTable(std::span<const QRgb> table)
    : colors_(table.begin(), table.end()), cellStart_(kCells, -1) {
    if (colors_.empty() || colors_.size() > 256)
        throw std::invalid_argument("a colour table has 1 to 256 entries");
    // Key 0 means "empty": a memo key keeps a set bit above the 24 colour bits.
    memoKey_.fill(0);
}

const uint8_t* NearestColorTable::candidates(int cell) {
    if (cellStart_[cell] >= 0) return lists_.data() + cellStart_[cell];

    constexpr int span = 256 >> kCellBits;
    const int lo[3] = {((cell >> (2 * kCellBits)) & 31) * span, ((cell >> kCellBits) & 31) * span,
                       (cell & 31) * span};
    auto axis = [](int v, int low, int& minD, int& maxD) {
        const int high = low + span - 1;
        const int out = v < low ? low - v : (v > high ? v - high : 0);
        const int far = std::max(v - low, high - v);
        minD += out * out;
        maxD += far * far;
    };
    std::vector<int> minDist(colors_.size());
    int bound = std::numeric_limits<int>::max();
    for (size_t i = 0; i < colors_.size(); ++i) {
        int minD = 0, maxD = 0;
        axis(qRed(colors_[i]), lo[0], minD, maxD);
        axis(qGreen(colors_[i]), lo[1], minD, maxD);
        axis(qBlue(colors_[i]), lo[2], minD, maxD);
        minDist[i] = minD;
        bound = std::min(bound, maxD);
    }
    // An entry can be the nearest to some colour of the cell only if its closest approach to the
    // cell is no farther than the entry whose farthest point is nearest. Ties stay in the list.
    const auto start = static_cast<int32_t>(lists_.size());
    lists_.push_back(0);
    for (size_t i = 0; i < colors_.size(); ++i) {
        if (minDist[i] <= bound) {
            lists_.push_back(static_cast<uint8_t>(i));
            ++lists_[start];
        }
    }
    cellStart_[cell] = start;
    return lists_.data() + start;
}

int NearestColorTable::indexOf(QRgb c) {
    const uint32_t rgb = c & 0xFFFFFFu;
    const uint32_t key = rgb | 0x1000000u;
    const uint32_t slot = (rgb ^ (rgb >> 12) ^ (rgb >> 5)) & (kMemoSize - 1);
    if (memoKey_[slot] == key) return memoIndex_[slot];

    const int cell =
        ((qRed(c) >> 3) << (2 * kCellBits)) | ((qGreen(c) >> 3) << kCellBits) | (qBlue(c) >> 3);
    const uint8_t* list = candidates(cell);
    const int n = list[0];
    int best = list[1];
    int bestDistance = colorDistance(colors_[best], c);
    for (int k = 2; k <= n; ++k) {
        const int d = colorDistance(colors_[list[k]], c);
        if (d < bestDistance) {  // lists are in ascending index order: the lowest index wins ties
            bestDistance = d;
            best = list[k];
        }
    }
    memoKey_[slot] = key;
    memoIndex_[slot] = static_cast<uint8_t>(best);
    return best;
}

}  // namespace tarvo
