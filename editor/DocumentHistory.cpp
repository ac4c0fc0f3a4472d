#include "editor/DocumentHistory.h"

#include <algorithm>
#include <stdexcept>

namespace tarvo {

ImageHistory DocumentHistory::fresh() {
    ImageHistory h;
    h.id = nextId_++;
    return h;
}

void DocumentHistory::reset(int count) {
    images_.clear();
    for (int i = 0; i < count; ++i) images_.push_back(fresh());
}

void DocumentHistory::append() {
    images_.push_back(fresh());
}

ImageHistory DocumentHistory::take(int index) {
    if (index < 0 || index >= size()) throw std::out_of_range("no history at that index");
    ImageHistory h = std::move(images_[static_cast<size_t>(index)]);
    images_.erase(images_.begin() + index);
    return h;
}

int DocumentHistory::indexOf(uint64_t id) const {
    for (int i = 0; i < size(); ++i)
        if (images_[static_cast<size_t>(i)].id == id) return i;
    return -1;
}

int DocumentHistory::placeOf(const TDeletedImage& image) const {
    if (const int before = image.previous ? indexOf(image.previous) : -1; before >= 0)
        return before + 1;
    if (const int after = image.following ? indexOf(image.following) : -1; after >= 0) return after;
    return std::clamp(image.index, 0, size());
}

void DocumentHistory::move(int from, int to) {
    if (from < 0 || from >= size() || to < 0 || to >= size())
        throw std::out_of_range("no history at that index");
    ImageHistory h = std::move(images_[static_cast<size_t>(from)]);
    images_.erase(images_.begin() + from);
    images_.insert(images_.begin() + to, std::move(h));
}

void DocumentHistory::insert(int index, ImageHistory history) {
    if (index < 0 || index > size()) throw std::out_of_range("no history at that index");
    images_.insert(images_.begin() + index, std::move(history));
}

bool DocumentHistory::canUndo(int index) const {
    return index >= 0 && index < size() && !images_[static_cast<size_t>(index)].undo.empty();
}

bool DocumentHistory::canRedo(int index) const {
    return index >= 0 && index < size() && !images_[static_cast<size_t>(index)].redo.empty();
}

}  // namespace tarvo
