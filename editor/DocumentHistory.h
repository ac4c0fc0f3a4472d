#pragma once

#include <cstdint>
#include <vector>

#include "core/IconFormat.h"
#include "editor/UndoHistory.h"

namespace tarvo {

// The undo and redo stacks of one image. The id names the image for as long as it lives, even
// while it is deleted and waiting in an undo entry to be put back. Ids grow along the image list:
// images are only appended or put back where they were, so an id also says where an image goes.
struct ImageHistory {
    uint64_t id = 0;
    TUndoStack undo;
    TUndoStack redo;
};

// An image taken out by Delete Icon, with all it needs to go back where it was.
struct TDeletedImage {
    IconEntry entry;
    std::vector<uint8_t> bytes;
    ImageHistory history;
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
    // Where an image with this history goes back: after every image with a smaller id.
    int placeOf(const ImageHistory& history) const;
    void insert(int index, ImageHistory history);

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
