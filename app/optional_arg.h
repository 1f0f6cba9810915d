// An optional parameter of an application routine: the value together with
// the flag saying whether the caller gave it, as compiled logic passes them.
// A value converts implicitly ("given"); {} is "not given".
#pragma once

namespace app {

template <typename T>
struct Optional {
    T value{};
    bool given = false;

    Optional() = default;
    Optional(T v) : value(v), given(true) {}  // NOLINT: implicit on purpose

    T Or(T fallback) const { return given ? value : fallback; }
};

}  // namespace app
