// The 33 control types in lookup order.
#include "controls/ctl_ops.h"

namespace vesk {

const CtlTypeRow kCtlTypeOps[kCtlTypeRows] = {
    {0x01, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x02, CtlPictureClick, nullptr, CtlPictureShow, nullptr, nullptr, CtlWndProc},
    {0x03, CtlPictureClick, nullptr, CtlIconShow, nullptr, nullptr, CtlWndProc},
    {0x04, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x05, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x06, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x15, nullptr, CtlButtonInit, CtlStaticShow, CtlButtonCommand, CtlButtonMessage, CtlButtonWndProc},
    {0x16, CtlCheckClick, nullptr, CtlCheckShow, CtlCheckCommand, nullptr, CtlWndProc},
    {0x29, CtlRadioClick, nullptr, CtlRadioShow, CtlRadioCommand, nullptr, CtlWndProc},
    {0x2a, nullptr, CtlListInit, ListShowValue, CtlListCommand, nullptr, CtlWndProc},
    {0x2b, nullptr, CtlComboInit, ComboShowValue, CtlComboCommand, nullptr, CtlWndProc},
    {0x2c, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x2d, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x2e, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x2f, nullptr, CtlImageListInit, nullptr, CtlListCommand, CtlImageListMessage, CtlWndProc},
    {0x30, nullptr, CtlComboInit, CtlComboShow, CtlComboCommand, CtlComboMessage, CtlWndProc},
    {0x31, nullptr, CtlImageListInit, nullptr, CtlListCommand, CtlCheckListMessage, CtlWndProc},
    {0x32, nullptr, CtlPresetListInit, nullptr, CtlPresetListCommand, CtlPresetListMessage, CtlWndProc},
    {0x3d, nullptr, CtlEditInit, CtlEditShow, CtlEditCommand, nullptr, CtlWndProc},
    {0x3e, nullptr, CtlEditInit, CtlEditShow, CtlEditCommand, nullptr, CtlWndProc},
    {0x3f, nullptr, CtlNumEditInit, CtlNumEditShow, CtlNumEditCommand, CtlNumEditMessage, CtlWndProc},
    {0x17, nullptr, CtlSpinInit, CtlSpinShow, nullptr, CtlSpinMessage, CtlWndProc},
    {0x40, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x41, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x51, nullptr, CtlSpinInit, CtlSpinShow, nullptr, CtlSpinMessage, CtlWndProc},
    {0x52, nullptr, CtlSliderInit, CtlSliderShow, nullptr, CtlSliderMessage, CtlWndProc},
    {0x53, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x54, nullptr, CtlSliderInit, CtlThumbSliderShow, nullptr, CtlSliderMessage, CtlWndProc},
    {0x55, nullptr, CtlTrackbarInit, CtlTrackbarShow, nullptr, CtlTrackbarMessage, CtlWndProc},
    {0x65, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x66, nullptr, nullptr, CtlStaticShow, nullptr, nullptr, CtlWndProc},
    {0x68, nullptr, CtlTabInit, nullptr, nullptr, CtlTabMessage, CtlWndProc},
    {0x69, nullptr, CtlTreeInit, nullptr, nullptr, CtlNoMessage, CtlWndProc},
};

const CtlTypeRow* CtlTypeFind(uint32_t type) {
    const uint16_t code = static_cast<uint16_t>(type & 0xFFFF);
    for (const CtlTypeRow& row : kCtlTypeOps)
        if (row.code == code) return &row;
    return nullptr;
}

}  // namespace vesk
