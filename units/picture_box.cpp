#include "units/picture_box.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType PictureBoxUnitType() {
    return PlaceholderUnitType("图片框", "PicBox", 0x840100C0, 15);
}

}  // namespace units
