#include "clsLayoutCache.h"

#include "clsDataMask.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

namespace ostrel {

namespace {

// Extra light columns and rows of the module matrix beyond the symbol.
constexpr std::int32_t kExtraModules = 3;

// The layouts made so far: published through the atomic pointers once complete, owned by the
// array of unique_ptr, and made one at a time under the lock.
struct Store {
    std::mutex Lock;
    std::array<std::unique_ptr<clsLayoutCache::Layout>, clsLayoutCache::KeyCount> Owned;
    std::array<std::atomic<const clsLayoutCache::Layout*>, clsLayoutCache::KeyCount> Ready{};
};

Store& TheStore() {
    static Store store;
    return store;
}

} // namespace

void clsLayoutCache::Make(Layout& layout, std::int32_t width, std::int32_t height,
                          std::int32_t bitCount, std::int32_t skipColumn, Draw draw,
                          std::int32_t drawArgument) {
    layout.Width = width;
    layout.Height = height;
    layout.Stride = width + kExtraModules;
    layout.Blank.assign(static_cast<std::size_t>(layout.Stride) * (height + kExtraModules), 0);
    const clsModuleMatrix matrix = clsModuleMatrix::Of(layout.Blank, width, height, layout.Stride);
    draw(matrix, drawArgument);
    layout.Placement.Prepare(matrix, bitCount, skipColumn);
    layout.BitCount = bitCount;
    layout.SkipColumn = skipColumn;
    for (std::size_t c = 0; c < Layout::ConditionCount; ++c) {
        layout.m_ReadyMasks[c].store(nullptr, std::memory_order_relaxed);
        layout.m_OwnedMasks[c].reset();
    }
}

void clsLayoutCache::MakeMasked(const Layout& layout, std::int32_t condition,
                                MaskedLayout& masked) {
    using Module = clsModuleMatrix::ModuleValue;
    // The order of the placed bits, from the unfinished matrix (the first BitCount free modules).
    masked.Blank = layout.Blank;
    const clsModuleMatrix matrix =
        clsModuleMatrix::Of(masked.Blank, layout.Width, layout.Height, layout.Stride);
    masked.Bits.assign(static_cast<std::size_t>((layout.BitCount + 7) / 8 + 8), 0);
    std::size_t k = 0;
    const auto placed = static_cast<std::size_t>(std::max(layout.BitCount, 0));
    clsPlacement::VisitModuleOrder(matrix, layout.SkipColumn, [&](std::int32_t x, std::int32_t y) {
        if (k == placed) {
            return false;
        }
        if (clsDataMask::Condition(condition, y, x)) {
            masked.Bits[k / 8] |= static_cast<std::uint8_t>(0x80 >> (k % 8));
        }
        ++k;
        return true;
    });
    // Function modules finished, free ones as their inversion (the extra modules stay light).
    for (std::int32_t y = 0; y < layout.Height; ++y) {
        for (std::int32_t x = 0; x < layout.Width; ++x) {
            std::uint8_t& v = matrix.At(x, y);
            v = v == Module::Free ? (clsDataMask::Condition(condition, y, x) ? 1 : 0)
                                  : (v == Module::Dark ? 1 : 0);
        }
    }
}

const clsLayoutCache::MaskedLayout& clsLayoutCache::Layout::Masked(std::int32_t condition) const {
    const auto slot = static_cast<std::size_t>(condition & (ConditionCount - 1));
    if (const MaskedLayout* ready = m_ReadyMasks[slot].load(std::memory_order_acquire)) {
        return *ready;
    }
    const std::lock_guard<std::mutex> guard(TheStore().Lock);
    if (const MaskedLayout* ready = m_ReadyMasks[slot].load(std::memory_order_relaxed)) {
        return *ready;
    }
    auto made = std::make_unique<MaskedLayout>();
    MakeMasked(*this, static_cast<std::int32_t>(slot), *made);
    m_ReadyMasks[slot].store(made.get(), std::memory_order_release);
    m_OwnedMasks[slot] = std::move(made);
    return *m_ReadyMasks[slot].load(std::memory_order_relaxed);
}

const clsLayoutCache::Layout& clsLayoutCache::Get(std::int32_t key, std::int32_t width,
                                                  std::int32_t height, std::int32_t bitCount,
                                                  std::int32_t skipColumn, Draw draw,
                                                  std::int32_t drawArgument) {
    if (key <= 0 || key >= KeyCount) {
        thread_local Layout own;
        Make(own, width, height, bitCount, skipColumn, draw, drawArgument);
        return own;
    }
    Store& store = TheStore();
    const auto slot = static_cast<std::size_t>(key);
    if (const Layout* ready = store.Ready[slot].load(std::memory_order_acquire)) {
        return *ready;
    }
    const std::lock_guard<std::mutex> guard(store.Lock);
    if (const Layout* ready = store.Ready[slot].load(std::memory_order_relaxed)) {
        return *ready;
    }
    auto made = std::make_unique<Layout>();
    Make(*made, width, height, bitCount, skipColumn, draw, drawArgument);
    store.Ready[slot].store(made.get(), std::memory_order_release);
    store.Owned[slot] = std::move(made);
    return *store.Ready[slot].load(std::memory_order_relaxed);
}

} // namespace ostrel
