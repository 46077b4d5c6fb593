#include "clsLayoutCache.h"

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
