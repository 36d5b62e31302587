#pragma once
// The one move-only owner of a handle that one function releases.
#include <cstdint>
#include <utility>

namespace kova {

// Owns an H and passes it to Close when it goes. Invalid is the value that holds nothing
// (0, or -1 for the handles that report failure so).
template <typename H, auto Close, intptr_t Invalid = 0>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : FHandle(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : FHandle(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    H get() const { return FHandle; }
    explicit operator bool() const { return FHandle != None(); }
    void reset(H h = None())
    {
        if (FHandle != None())
            Close(FHandle);
        FHandle = h;
    }
    H release() { return std::exchange(FHandle, None()); }
    // For a function that hands the handle out through a pointer.
    H* put()
    {
        reset();
        return &FHandle;
    }

private:
    static H None() { return reinterpret_cast<H>(Invalid); }
    H FHandle = None();
};

}  // namespace kova
