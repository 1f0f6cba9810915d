#include "units/label_texts.h"

#include <algorithm>
#include <cstring>

#include "runtime/notify.h"
#include "windows.h"

namespace units {

void StoredTextConverter::Pass(std::string& text, uint32_t flag) {
    if (const char* converted = callback_(text.c_str(), flag, context_)) text = converted;
}

void StoredTextConverter::Bytes(const char* name, std::vector<uint8_t>& v) {
    // Only a well-formed font record has a face name to hand over.
    if (std::strcmp(name, "font") != 0 || v.size() != sizeof(LOGFONTA)) return;
    LOGFONTA lf;
    std::memcpy(&lf, v.data(), sizeof lf);
    std::string face(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName));
    Pass(face, 1);
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, face.data(), std::min(face.size(), sizeof lf.lfFaceName - 1));
    std::memcpy(v.data(), &lf, sizeof lf);
}

uint8_t* ConvertTextsInBlock(std::vector<uint8_t> bytes, uint32_t* length) {
    auto* block = reinterpret_cast<uint8_t*>(runtime::NotifyRuntime(runtime::kNotifyAllocMemory, bytes.size(), 0));
    if (!block) return nullptr;
    std::memcpy(block, bytes.data(), bytes.size());
    *length = static_cast<uint32_t>(bytes.size());
    return block;
}

}  // namespace units
