#pragma once

#include <cstdint>
#include <vector>

#include "core/IconFormat.h"
#include "editor/UndoHistory.h"

namespace tarvo {

// The undo and redo stacks of one image. The id names the image for as long as it lives, even
// while it is deleted and waiting in a history entry to be put back, and wherever it moves.
struct ImageHistory {
    uint64_t id = 0;
    TUndoStack undo;
    TUndoStack redo;
};

// An image taken out (by Delete Icon, or by undoing its addition), with all it needs to go back
// where it was: after the image that was before it, else before the one that was after it, else
// at its old place.
struct TDeletedImage {
    IconEntry entry;
    std::vector<uint8_t> bytes;
    ImageHistory history;
    int index = 0;
    uint64_t previous = 0;  // history ids; 0 for none
    uint64_t following = 0;
    // The animation before the image went, and just after: while the document still has the
    // latter, putting the image back restores the former exactly.
    TAnimationState animationBefore;
    TAnimationState animationAfter;
};

// One history per image of a document, in image order: adding, deleting and putting back images
// keep the two in step.
class DocumentHistory {
  public:
    // Fresh, empty histories for a document of `count` images.
    void reset(int count);
    // An empty history for a new last image.
    void append();
    // Removes the history of image `index` and gives it to the caller.
    ImageHistory take(int index);
    // Where a deleted image goes back.
    int placeOf(const TDeletedImage& image) const;
    void insert(int index, ImageHistory history);
    void move(int from, int to);
    // The place of the image with this history id, or -1.
    int indexOf(uint64_t id) const;

    int size() const { return static_cast<int>(images_.size()); }
    ImageHistory& operator[](int index) { return images_.at(static_cast<size_t>(index)); }
    const ImageHistory& operator[](int index) const {
        return images_.at(static_cast<size_t>(index));
    }
    // Whether image `index` has steps to undo or to redo; false for an index out of range.
    bool canUndo(int index) const;
    bool canRedo(int index) const;

  private:
    ImageHistory fresh();

    std::vector<ImageHistory> images_;
    uint64_t nextId_ = 1;
};

}  // namespace tarvo
