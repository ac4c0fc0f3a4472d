#include "editor/UndoHistory.h"

#include <QByteArray>
#include <algorithm>

#include "core/Icon.h"
#include "editor/DocumentHistory.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

// Level 1: the differences are mostly zero bytes, which the fastest level packs as well as any.
constexpr int kLevel = 1;

std::vector<uint8_t> compress(std::span<const uint8_t> bytes) {
    const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size()), kLevel);
    return {packed.begin(), packed.end()};
}

std::vector<uint8_t> uncompress(const std::vector<uint8_t>& packed, uint32_t expected) {
    const QByteArray bytes = qUncompress(reinterpret_cast<const uchar*>(packed.data()),
                                         static_cast<qsizetype>(packed.size()));
    // Only memory exhaustion can make our own data fail to unpack.
    if (static_cast<uint64_t>(bytes.size()) != expected) throw EOutOfResources();
    return {bytes.begin(), bytes.end()};
}

void xorInto(std::vector<uint8_t>& target, std::span<const uint8_t> other) {
    for (size_t i = 0; i < target.size(); ++i) target[i] ^= other[i];
}

}  // namespace

TUndo::TUndo() = default;
TUndo::~TUndo() = default;

void TUndo::SetData(std::span<const uint8_t> bytes) {
    data_.assign(bytes.begin(), bytes.end());
    packing_ = Packing::Plain;
    plainSize_ = static_cast<uint32_t>(bytes.size());
}

void TUndo::SetSelection(std::unique_ptr<TIcon> selection) {
    Selection = std::move(selection);
}

size_t TUndo::memoryBytes() const {
    size_t total =
        sizeof(TUndo) + data_.capacity() + (Selection ? sizeof(TIcon) + Selection->BlockSize() : 0);
    if (Deleted)
        total += Deleted->bytes.capacity() + Deleted->history.undo.memoryBytes() +
                 Deleted->history.redo.memoryBytes();
    return total;
}

TUndoStack::TUndoStack() = default;
TUndoStack::~TUndoStack() = default;
TUndoStack::TUndoStack(TUndoStack&&) noexcept = default;
TUndoStack& TUndoStack::operator=(TUndoStack&&) noexcept = default;

void TUndoStack::push(std::unique_ptr<TUndo> entry) {
    if (!entries_.empty()) {
        // The old top becomes packed against the new one.
        TUndo& below = *entries_.back();
        std::vector<uint8_t> packed;
        if (below.data_.size() == entry->data_.size()) {
            xorInto(below.data_, entry->data_);
            packed = compress(below.data_);
            below.packing_ = TUndo::Packing::Delta;
        } else {
            packed = compress(below.data_);
            below.packing_ = TUndo::Packing::Whole;
        }
        below.data_ = std::move(packed);
    }
    entry->packing_ = TUndo::Packing::Plain;
    entries_.push_back(std::move(entry));
}

std::unique_ptr<TUndo> TUndoStack::pop() {
    if (entries_.empty()) return nullptr;
    if (entries_.size() > 1) {
        // Unpack the entry below before the top leaves; if that fails nothing has moved.
        TUndo& below = *entries_[entries_.size() - 2];
        std::vector<uint8_t> plain = uncompress(below.data_, below.plainSize_);
        if (below.packing_ == TUndo::Packing::Delta) xorInto(plain, entries_.back()->data_);
        below.data_ = std::move(plain);
        below.packing_ = TUndo::Packing::Plain;
    }
    std::unique_ptr<TUndo> top = std::move(entries_.back());
    entries_.pop_back();
    return top;
}

size_t TUndoStack::memoryBytes() const {
    size_t total = sizeof(*this) + entries_.capacity() * sizeof(entries_[0]);
    for (const auto& e : entries_) total += e->memoryBytes();
    return total;
}

}  // namespace tarvo
