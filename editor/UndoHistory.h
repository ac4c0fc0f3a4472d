#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/Icon.h"
#include "editor/Rect.h"

namespace tarvo {

struct TDeletedImage;

// An animation with every step's frame named by its image's history id instead of its place, so
// it can be put back after images moved, went or came back. Steps of images that are gone by then
// are left out. The steps' own frame numbers are kept at 0.
struct TAnimationState {
    std::optional<TAnimation> animation;
    std::vector<uint64_t> frames;
    bool operator==(const TAnimationState&) const = default;
};

// One step of an image's history: the image's stored bytes as they were, and the floating
// selection of that moment with the place it lay (an empty SelRect means none).
class TUndo {
  public:
    TUndo();
    ~TUndo();
    TUndo(const TUndo&) = delete;
    TUndo& operator=(const TUndo&) = delete;

    void SetData(std::span<const uint8_t> bytes);
    // The bytes as they were stored. Only valid while the entry is not packed inside a stack;
    // entries come out of TUndoStack::pop whole.
    const std::vector<uint8_t>& Data() const { return data_; }
    void SetSelection(std::unique_ptr<TIcon> selection);
    std::unique_ptr<TIcon> Selection;
    TRect SelRect;
    // A step that puts this image back (Delete Icon's, or an added image's once undone); it is
    // kept on the history of the image that became current.
    std::unique_ptr<TDeletedImage> Deleted;
    // A step that takes the current image out when undone (the image was added) or redone (it
    // was deleted, and the deletion undone).
    bool RemoveImage = false;
    // A move's step: where the image was before it.
    std::optional<int> MovedFrom;
    // A hot spot step: the cursor's type and hot spots before it.
    std::optional<TIcon::CursorMark> Mark;
    // An animation step: the document's animation before it.
    std::optional<TAnimationState> Animation;

    // Memory the entry holds, in bytes.
    size_t memoryBytes() const;

  private:
    friend class TUndoStack;
    // Inside a stack, every entry but the top is kept as the zlib-compressed difference (XOR)
    // from the entry above it: one edit changes few bytes, so a step costs little more than the
    // pixels it touched. An entry whose length differs from its neighbour's (a format change) is
    // compressed whole.
    enum class Packing : uint8_t { Plain, Whole, Delta };
    std::vector<uint8_t> data_;
    Packing packing_ = Packing::Plain;
    uint32_t plainSize_ = 0;
};

// A stack of history entries, the last pushed on top. Pushing and popping keep the packing
// described above; what goes in comes out byte for byte.
class TUndoStack {
  public:
    TUndoStack();
    ~TUndoStack();
    TUndoStack(TUndoStack&&) noexcept;
    TUndoStack& operator=(TUndoStack&&) noexcept;

    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    void push(std::unique_ptr<TUndo> entry);
    std::unique_ptr<TUndo> pop();
    // The top entry, whole.
    const TUndo& top() const { return *entries_.back(); }
    TUndo& top() { return *entries_.back(); }
    void clear() { entries_.clear(); }
    size_t memoryBytes() const;

  private:
    std::vector<std::unique_ptr<TUndo>> entries_;
};

}  // namespace tarvo
