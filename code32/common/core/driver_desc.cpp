#include "core/driver_desc.h"

namespace vesk {

const DriverDesc& builtinDriverDesc() {
    static const DriverDesc d{
        0x0401, 0x0400,
        u"KW12D170.ini",
        u"KW12C123.DLL",
        0x7F03,
        999, 1,
        {4, 90, 600, 0},
        {1, 9, 0, 0, 100, 1, 7, 600, 1, 1, 600, 3, 0, u"A4", 1, 1, 1, 1, 1, 1000, 1, 999},
        {'p', 'r', 'i', 'v'},
        0,
        0x00030003,
        0,
        0x85,
        0,
        // The option handlers' defaults: the device answers of items 35 to 38
        // are 0 in this build; the languages and unit default to index 0.
        {0, 0, 0, 0, 0x85, 600, 600, 9, 9, 9, 9, 0, 0, 0, 0, 16, 32},
        u"01.00", u"01.00",
        u"JP",
        u"",
        u"KW12D172.ini",
        u"KW00C140.dll",
        u"veskexc.DLL",
        nullptr,
        u"OVA22DAT.dll",
        u"",
        u"3.61",
        200,
        4250, 14030,
        6992, 28346,
    };
    return d;
}

}  // namespace vesk
