#include "editor/DocumentHistory.h"

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

int DocumentHistory::placeOf(const ImageHistory& history) const {
    int index = 0;
    while (index < size() && images_[static_cast<size_t>(index)].id < history.id) ++index;
    return index;
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
