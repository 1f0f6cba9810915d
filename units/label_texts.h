// Operation 9 (ConvertUnitTexts) of the label, the group box and the button:
// every text of their stored data passed through a caller's callback, the
// font's face name with flag 1, and the data written again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/template/stored_unit_data.h"

namespace units {

// Answers the converted text (valid until its next call) or null to keep it.
using TextConvertCallback = const char* (*)(const char* text, uint32_t flag, uintptr_t context);
using ConvertStoredTextsOp = uint8_t* (*)(const uint8_t* data, uint32_t* length, TextConvertCallback callback,
                                          uintptr_t context);

// Walks a type's stored fields; only texts and the font's face name change.
class StoredTextConverter {
public:
    StoredTextConverter(TextConvertCallback callback, uintptr_t context) : callback_(callback), context_(context) {}
    bool Has(uint32_t) const { return true; }
    void Int(const char*, int32_t&) {}
    void Colour(const char*, uint32_t&) {}
    void Logic(const char*, bool&) {}
    void Char16(const char*, uint16_t&) {}
    void Bytes(const char* name, std::vector<uint8_t>& v);
    void Words(const char*, std::vector<uint8_t>&) {}
    void Text(const char*, std::string& v) { Pass(v, 0); }
    void TextArray(const char*, std::vector<std::string>& v) {
        for (std::string& s : v) Pass(s, 0);
    }

private:
    void Pass(std::string& text, uint32_t flag);
    TextConvertCallback callback_;
    uintptr_t context_;
};

// The converted data in a runtime heap block (NotifyRuntime 2024), its length
// through *length; null for unreadable data or a missing callback.
uint8_t* ConvertTextsInBlock(std::vector<uint8_t> bytes, uint32_t* length);

template <class T>
uint8_t* ConvertStoredTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback, uintptr_t context) {
    if (!length || !callback) return nullptr;
    T d;
    if (!runtime::templates::ReadStoredUnitData({data, data ? *length : 0}, d)) return nullptr;
    StoredTextConverter converter(callback, context);
    T::Visit(converter, d);
    return ConvertTextsInBlock(runtime::templates::WriteStoredUnitData(d), length);
}

}  // namespace units
