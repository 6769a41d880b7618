// A bump allocator for one snapshot: every node, OID array and name of the
// tree lives in a few large blocks, released together when the arena goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace mibscope::procfs {

class arena {
  public:
    // Uninitialised storage for `size` bytes aligned to `align` (a power of
    // two no larger than alignof(std::max_align_t)). Throws std::bad_alloc.
    void *allocate(std::size_t size, std::size_t align) {
        std::size_t pad = (align - reinterpret_cast<std::uintptr_t>(cur_) % align) % align;
        if (cur_ == nullptr || static_cast<std::size_t>(end_ - cur_) < pad + size) {
            grow(size);
            pad = 0; // a new block starts at max_align_t alignment
        }
        void *p = cur_ + pad;
        cur_ += pad + size;
        return p;
    }

    // `n` value-initialised objects of a trivial type T, in a row.
    template <class T> T *make_array(std::size_t n) {
        static_assert(std::is_trivially_destructible_v<T>, "the arena runs no destructors");
        T *p = static_cast<T *>(allocate(n * sizeof(T), alignof(T)));
        for (std::size_t i = 0; i < n; ++i)
            new (p + i) T{};
        return p;
    }

    // Bytes taken from the system for this arena's blocks.
    std::size_t reserved() const { return reserved_; }

  private:
    static constexpr std::size_t first_block = 16 * 1024;
    static constexpr std::size_t largest_block = 1024 * 1024;

    void grow(std::size_t need) {
        std::size_t size = blocks_.empty() ? first_block : next_block_;
        if (size < need)
            size = need;
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
        cur_ = blocks_.back().get();
        end_ = cur_ + size;
        reserved_ += size;
        if (next_block_ < largest_block)
            next_block_ *= 2;
    }

    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte *cur_ = nullptr;
    std::byte *end_ = nullptr;
    std::size_t next_block_ = 2 * first_block;
    std::size_t reserved_ = 0;
};

} // namespace mibscope::procfs
