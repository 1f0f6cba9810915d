#include "runtime/window_table.h"

#include "runtime/template/segment_reader.h"

namespace runtime {

templates::WindowTemplate* WindowTable::Find(templates::WindowId id) {
    if (!windows_.empty() && windows_.front().id == id) return &windows_.front();
    for (auto& w : windows_)
        if (w.id == id) return &w;
    return nullptr;
}

void WindowTable::Append(std::vector<templates::WindowTemplate> windows) {
    for (auto& w : windows) windows_.push_back(std::move(w));
}

bool ReadTemplatesIntoTable(std::span<const uint8_t> segment, const ProgramHeader& header, WindowTable& table) {
    std::span<const templates::CompiledRoutine> routines;
    if (header.routines) routines = {header.routines, header.routineCount};
    templates::SegmentReadResult result = templates::ReadTemplateSegment(segment, routines);
    if (!result.ok()) return false;
    table.Append(std::move(result.windows));
    return true;
}

}  // namespace runtime
