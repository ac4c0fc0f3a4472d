#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvo {

// What an animated cursor shows by default for each step, in jiffies (1/60 s).
inline constexpr uint32_t kAniDefaultRate = 6;

// One step of an animation: the frame (an image index of the document) and how long it shows,
// in jiffies.
struct TAnimationStep {
    int frame = 0;
    uint32_t rate = kAniDefaultRate;
    bool operator==(const TAnimationStep&) const = default;
};

// The timing and names of an animated cursor. `flags` are the header's flags as read; the
// writer decides the icon-frames and sequence bits itself and keeps the others.
struct TAnimation {
    uint32_t defaultRate = kAniDefaultRate;
    uint32_t flags = 1;
    std::vector<TAnimationStep> steps;
    QString title;
    QString author;
    bool operator==(const TAnimation&) const = default;
};

// Animated cursors (RIFF "ACON"). The reader walks the RIFF chunks by identifier and size, with
// the pad byte after odd-sized chunks, to the end of the file whatever the RIFF size says. A
// header that cannot be right (an identifier that is not printable, or a size past the end),
// or an unknown one where a known one stands at the end of the previous list's last whole
// sub-chunk, means that list declared more than it held: reading resumes there. A list
// running past the end of the file holds what is there. It takes "anih", "seq ", "rate", the title
// and author of the "LIST" "INFO" and the "icon" chunks of the "LIST" "fram" list in file order,
// skipping others. Each frame is an icon/cursor file; its first image becomes one image of the
// document, with the frame's directory entry (and so its hot spot). Without "seq " the steps are
// the frames in order; without "rate" each step has the header's rate. A "seq " or "rate" shorter
// than the steps, or a step of a frame that is not there, is damage. Names are UTF-8 where valid,
// else Latin-1, up to their NUL. Returns a strict block of type 2 and fills `animation` when given;
// throws EInvalidGraphic for a file that is not a readable animated cursor.
std::vector<uint8_t> readAnimatedCursor(std::span<const uint8_t> bytes,
                                        TAnimation* animation = nullptr);

// The animated cursor of a block: one frame per image, each a one-image cursor file carrying the
// image's directory entry unchanged, then `animation`'s steps and names. Without an animation,
// or with no steps, every image is one step in order. "seq " is written only when the steps are
// not the frames in order, "rate" only when a step's rate is not the default one; names in a
// "LIST" "INFO" written only when there is one, in Latin-1 where that reads back the same,
// otherwise in UTF-8.
std::vector<uint8_t> writeAnimatedCursor(std::span<const uint8_t> block,
                                         const std::optional<TAnimation>& animation = std::nullopt);

// Keeping an animation with its document's image list. A frame put in at `index` moves later
// frames up one and gets one step at the default rate, placed before the first step that shows
// a later frame (last when none does), so that steps in frame order stay in order. A default
// rate of 0, which some files have, gives new steps kAniDefaultRate instead.
void insertAnimationFrame(TAnimation& animation, int index);
// Frame `index` taken out: its steps go and later frames move down one. Steps left with none
// at all become the `frames` remaining frames in order.
void removeAnimationFrame(TAnimation& animation, int index, int frames);
// Frame `from` moved to place `to` of `frames`: every step keeps showing the same picture at its
// rate. Steps that showed each frame once in frame order are put in the new frame order, since
// that is how such an animation plays.
void moveAnimationFrame(TAnimation& animation, int from, int to, int frames);

}  // namespace tarvo
