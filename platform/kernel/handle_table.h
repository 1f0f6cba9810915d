// Handle tables: every platform object (window, device context, GDI object,
// module, internet handle, ...) is reached through a 32-bit handle.
//
// A handle is  kind (6 bits) | generation (6 bits) | slot (20 bits), never 0.
// Lookups check the kind and the generation, so a stale handle or a handle of
// another kind is refused instead of followed. Freed slots are reused in FIFO
// order to keep a just-freed handle invalid for as long as possible.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

enum class HandleKind : uint32_t {
    None = 0,
    Window,
    DeviceContext,
    Pen,
    Brush,
    Font,
    Bitmap,
    Region,
    Palette,
    Icon,  // icons and cursors
    Menu,
    Module,
    File,
    FindFile,
    Global,
    Internet,
    Thread,
    Event,
    Stream,
    GdiplusImage,
    Timer,
    Count
};
static_assert(static_cast<uint32_t>(HandleKind::Count) < 64);

constexpr uint32_t kHandleSlotBits = 20;
constexpr uint32_t kHandleGenBits = 6;
constexpr uint32_t kHandleSlotMask = (1u << kHandleSlotBits) - 1;
constexpr uint32_t kHandleGenMask = (1u << kHandleGenBits) - 1;

constexpr HandleKind KindOfHandle(uint32_t h) {
    return static_cast<HandleKind>(h >> (kHandleSlotBits + kHandleGenBits));
}

// Objects are held by shared_ptr so that a caller that looked one up keeps it
// alive while another thread (the GIF animation thread) frees the handle.
template <typename T>
class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : kind_(kind) {}

    uint32_t Add(std::shared_ptr<T> obj) {
        std::lock_guard<std::mutex> lock(mu_);
        uint32_t slot;
        // Hold back a few freed slots so a stale handle stays invalid for a while.
        if (free_.size() > 64) {
            slot = free_.front();
            free_.pop_front();
        } else {
            if (slots_.size() >= kHandleSlotMask) return 0;
            slot = static_cast<uint32_t>(slots_.size());
            slots_.push_back({});
            // Slot 0 would make handle 0 possible for kind 0 only; start
            // generations at 1 so a handle is never 0.
            slots_[slot].gen = 1;
        }
        slots_[slot].obj = std::move(obj);
        return Encode(slot, slots_[slot].gen);
    }

    std::shared_ptr<T> Get(uint32_t h) const {
        std::lock_guard<std::mutex> lock(mu_);
        const Slot* s = Find(h);
        return s ? s->obj : nullptr;
    }

    bool Valid(uint32_t h) const { return Get(h) != nullptr; }

    // Removes the object; returns it so the caller can finish destroying it.
    std::shared_ptr<T> Remove(uint32_t h) {
        std::lock_guard<std::mutex> lock(mu_);
        Slot* s = const_cast<Slot*>(Find(h));
        if (!s) return nullptr;
        std::shared_ptr<T> obj = std::move(s->obj);
        s->obj.reset();
        s->gen = (s->gen % kHandleGenMask) + 1;
        free_.push_back(h & kHandleSlotMask);
        return obj;
    }

    template <typename F>
    void ForEach(F&& f) const {
        std::vector<std::pair<uint32_t, std::shared_ptr<T>>> live;
        {
            std::lock_guard<std::mutex> lock(mu_);
            for (uint32_t i = 0; i < slots_.size(); ++i)
                if (slots_[i].obj) live.emplace_back(Encode(i, slots_[i].gen), slots_[i].obj);
        }
        for (auto& [h, obj] : live) f(h, obj);
    }

    size_t Count() const {
        std::lock_guard<std::mutex> lock(mu_);
        size_t n = 0;
        for (const Slot& s : slots_) n += s.obj != nullptr;
        return n;
    }

private:
    struct Slot {
        std::shared_ptr<T> obj;
        uint32_t gen = 1;
    };

    uint32_t Encode(uint32_t slot, uint32_t gen) const {
        return (static_cast<uint32_t>(kind_) << (kHandleSlotBits + kHandleGenBits)) | (gen << kHandleSlotBits) | slot;
    }

    const Slot* Find(uint32_t h) const {
        if (KindOfHandle(h) != kind_) return nullptr;
        uint32_t slot = h & kHandleSlotMask;
        uint32_t gen = (h >> kHandleSlotBits) & kHandleGenMask;
        if (slot >= slots_.size()) return nullptr;
        const Slot& s = slots_[slot];
        if (!s.obj || s.gen != gen) return nullptr;
        return &s;
    }

    HandleKind kind_;
    mutable std::mutex mu_;
    std::vector<Slot> slots_;
    std::deque<uint32_t> free_;
};

}  // namespace platform
