// The paint box of the dialogs: the framework's paint box that also reports the mouse entering
// and leaving it.
#pragma once

#include "uStdCtrls.h"

namespace VCLTools {

class TPaintBox : public ::TPaintBox {
public:
    // In this order, as the control stores them.
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnMouseEnter;

protected:
    void MouseEntered() override {
        ::TPaintBox::MouseEntered();
        if (OnMouseEnter) OnMouseEnter(*this);
    }
    void MouseLeft() override {
        ::TPaintBox::MouseLeft();
        if (OnMouseLeave) OnMouseLeave(*this);
    }
};

}  // namespace VCLTools
