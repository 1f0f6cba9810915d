// The WindowTable: every window template of the program, by WindowId. The
// first entry is found without a search, the others by a linear search.
// Window loading, the live window objects and events build on it.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "runtime/program_data.h"
#include "runtime/template/window_template.h"

namespace runtime {

class WindowTable {
public:
    templates::WindowTemplate* Find(templates::WindowId id);
    size_t Count() const { return windows_.size(); }
    std::vector<templates::WindowTemplate>& Windows() { return windows_; }
    void Append(std::vector<templates::WindowTemplate> windows);
    void Clear() { windows_.clear(); }

private:
    std::vector<templates::WindowTemplate> windows_;
};

// Start-up step: reads the template segment (handlers relocated against the
// program's routine table) and appends the windows; false when the segment
// cannot be read, in which case nothing is added.
bool ReadTemplatesIntoTable(std::span<const uint8_t> segment, const ProgramHeader& header, WindowTable& table);

}  // namespace runtime
