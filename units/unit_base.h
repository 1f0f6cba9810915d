// What every unit type shares: the unit object bound to its native window,
// the common property records, the numbered operations built from a unit
// class, event raising through NotifyRuntime, border styles and fonts.
//
// A unit type is one file pair: a class derived from Unit with its data
// (runtime/template/stored_unit_data.h), its property table and its
// UnitType descriptor made with UnitOperations<Class>::Lookup.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <vector>

#include "runtime/notify.h"
#include "runtime/program_data.h"
#include "runtime/windowing/unit_protocol.h"
#include "windows.h"

namespace units {

using runtime::PropertyRecord;
using runtime::PropertyValue;

// The eight common properties every table starts with (flags 0xE000).
#define SIG_COMMON_PROPERTIES                                                                    \
    ::runtime::PropertyRecord{.kind = 1001, .flags = 0xE000}, ::runtime::PropertyRecord{.kind = 1001, .flags = 0xE000}, \
        ::runtime::PropertyRecord{.kind = 1001, .flags = 0xE000}, ::runtime::PropertyRecord{.kind = 1001, .flags = 0xE000}, \
        ::runtime::PropertyRecord{.kind = 1005, .flags = 0xE000}, ::runtime::PropertyRecord{.kind = 1003, .flags = 0xE000}, \
        ::runtime::PropertyRecord{.kind = 1003, .flags = 0xE000}, ::runtime::PropertyRecord{.kind = 1011, .flags = 0xE000}
constexpr uint32_t kCommonPropertyCount = 8;

// Arguments of CreateUnit, as the loader passes them.
struct CreateArgs {
    std::span<const uint8_t> data;
    uint32_t styles = 0;
    HWND parent = 0;
    uint32_t controlId = 0;
    uint32_t menu = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t windowId = 0, unitId = 0;
    uint32_t loaderWord = 0;
    bool designMode = false;
};

class Unit {
public:
    virtual ~Unit();

    HWND Handle() const { return hwnd_; }
    uint32_t WindowId() const { return windowId_; }
    uint32_t UnitId() const { return unitId_; }
    bool DesignMode() const { return designMode_; }

    // The unit a native window belongs to, or null.
    static Unit* FromWindow(HWND hwnd);

    // UnitData: defaults, then the stored form (false = unreadable).
    virtual bool ReadData(std::span<const uint8_t> data) = 0;
    virtual std::vector<uint8_t> SaveData() const = 0;
    // Own property index; 1 = rebuild the native window.
    virtual int32_t SetProperty(int32_t index, const PropertyValue& value) = 0;
    virtual bool GetProperty(int32_t index, PropertyValue* value) = 0;
    // Makes the native window; false when it cannot be made.
    virtual bool CreateNative(const CreateArgs& args) = 0;
    virtual int32_t WantsKey(uint32_t) { return 0; }
    virtual int32_t IsDefaultButton() { return 0; }

    // Raises an event of this unit; true when a handler ran.
    bool Raise(int32_t event, std::initializer_list<uint32_t> args = {}, uint32_t* result = nullptr);

protected:
    // Creates the native window of a class registered by RegisterUnitClass
    // (or a system class, subclassed) and binds it to this object.
    HWND CreateBound(DWORD exStyle, const char* className, const char* title, DWORD style, const CreateArgs& args,
                     HWND parentOrOwner);
    virtual LRESULT WindowProc(UINT message, WPARAM w, LPARAM l);
    LRESULT Default(UINT message, WPARAM w, LPARAM l);

    void KeepReferences(const CreateArgs& args);
    // A container's share of child notifications: colour questions, owner
    // drawing, scrolling and command notifications sent back, as the same
    // message, to the child unit that sent them, so each unit colours, draws
    // and scrolls itself. True, with *result, when the child answered; a
    // child that leaves a message alone (answers 0) gets default processing,
    // except for scrolling and commands, which have no answer.
    bool ReflectToChild(UINT message, WPARAM w, LPARAM l, LRESULT* result);
    HWND hwnd_ = 0;

private:
    friend LRESULT UnitWindowProc(HWND, UINT, WPARAM, LPARAM);
    uint32_t windowId_ = 0, unitId_ = 0;
    bool designMode_ = false;
    WNDPROC previous_ = nullptr;  // a subclassed system control's own procedure
    int reflecting_ = 0;          // a reflected message is not reflected again
};

LRESULT UnitWindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);

// Registers a runtime class (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, arrow
// cursor, null brush) on first use; false when registration fails.
bool RegisterUnitClass(const char* name);

// BorderStyle pick list shared by several units; any other value clears all.
void ApplyBorderStyle(HWND hwnd, int32_t style);

// A 60-byte LOGFONTA applied with the fixed quality fields; otherwise (wrong
// size, creation failed) the stock DEFAULT_GUI_FONT. Returns the created font
// (owned by the caller) or 0 when the stock font was used.
HFONT ApplyFont(HWND hwnd, std::span<const uint8_t> logfont);

// 0xFF000000 is the system default: the button-face colour.
COLORREF ResolveBackColour(uint32_t colour);

// Pick values are clamped to the list, never rejected.
inline int32_t ClampPick(uint32_t raw, int32_t last) {
    auto v = static_cast<int32_t>(raw);
    return v < 0 ? 0 : (v > last ? last : v);
}

// Builds the numbered operations of a unit class T (derived from Unit,
// default-constructible).
template <class T>
struct UnitOperations {
    static uint32_t Create(const uint8_t* data, uint32_t length, uint32_t styles, uint32_t parent,
                           uint32_t controlId, uint32_t menu, int32_t left, int32_t top, int32_t width,
                           int32_t height, uint32_t windowId, uint32_t unitId, uint32_t loaderWord,
                           uint32_t designMode) {
        CreateArgs a{{data, data ? length : 0}, styles, parent, controlId, menu, left, top, width, height,
                     windowId, unitId, loaderWord, designMode != 0};
        auto* unit = new T();
        if (!unit->ReadData(a.data) || !unit->CreateNative(a)) {
            if (unit->Handle() && IsWindow(unit->Handle())) DestroyWindow(unit->Handle());  // deletes the unit
            else delete unit;
            return 0;
        }
        return unit->Handle();
    }
    static int32_t Set(uint32_t hwnd, int32_t index, const PropertyValue* value, uint32_t* out) {
        if (out) *out = 0;
        Unit* u = Unit::FromWindow(hwnd);
        return u && value ? u->SetProperty(index, *value) : 0;
    }
    static uint8_t* Save(uint32_t hwnd, uint32_t* length) {
        Unit* u = Unit::FromWindow(hwnd);
        if (!u) return nullptr;
        std::vector<uint8_t> bytes = u->SaveData();
        auto* block = reinterpret_cast<uint8_t*>(
            runtime::NotifyRuntime(runtime::kNotifyAllocMemory, bytes.size() ? bytes.size() : 1, 0));
        if (block && !bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        if (length) *length = static_cast<uint32_t>(bytes.size());
        return block;
    }
    static int32_t Get(uint32_t hwnd, int32_t index, PropertyValue* value) {
        Unit* u = Unit::FromWindow(hwnd);
        return u && value && u->GetProperty(index, value) ? 1 : 0;
    }
    static int32_t Wants(uint32_t hwnd, uint32_t key) {
        Unit* u = Unit::FromWindow(hwnd);
        return u ? u->WantsKey(key) : 0;
    }
    static int32_t Default(uint32_t hwnd) {
        Unit* u = Unit::FromWindow(hwnd);
        return u ? u->IsDefaultButton() : 0;
    }
    static runtime::UnitOperation Lookup(int32_t number) {
        switch (number) {
            case runtime::kOpCreateUnit: return reinterpret_cast<runtime::UnitOperation>(&Create);
            case runtime::kOpSetUnitProperty: return reinterpret_cast<runtime::UnitOperation>(&Set);
            case runtime::kOpSaveUnitProperties: return reinterpret_cast<runtime::UnitOperation>(&Save);
            case runtime::kOpGetUnitProperty: return reinterpret_cast<runtime::UnitOperation>(&Get);
            case runtime::kOpWantsKey: return T::kHasWantsKey ? reinterpret_cast<runtime::UnitOperation>(&Wants) : nullptr;
            case runtime::kOpIsDefaultButton:
                return T::kHasDefaultButton ? reinterpret_cast<runtime::UnitOperation>(&Default) : nullptr;
            default: return nullptr;
        }
    }
};

}  // namespace units
