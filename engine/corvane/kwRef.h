// kw::ref: a holder slot for one reference-counted object. Assigning an
// object into the slot follows the engine's rule: the same object again
// changes nothing; otherwise the held object loses a reference (and is
// destroyed when that was its last), then the new one is stored and gains one.
#pragma once

namespace kw {

template <class T>
class ref {
public:
    ref() = default;
    ref(const ref&) = delete;
    ref& operator=(const ref&) = delete;
    ~ref() { assign(nullptr); }

    ref& operator=(T* object) {
        assign(object);
        return *this;
    }

    void assign(T* object) {
        if (held == object) return;
        if (held && --held->refCount == 0) delete held;
        held = object;
        if (held) ++held->refCount;
    }

    T* get() const { return held; }
    operator T*() const { return held; }
    T* operator->() const { return held; }

private:
    T* held = nullptr;
};

}  // namespace kw
