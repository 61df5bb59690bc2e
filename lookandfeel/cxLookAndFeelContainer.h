// The look-and-feel container interface: an object that owns a look-and-feel offers it
// through this interface, so that a tool editing look-and-feels finds it the same way on a
// control and on a component that is no control (a dialog component, for one).
#pragma once

#include "cxLookAndFeels.h"

class IcxLookAndFeelContainer {
public:
    // The owned look-and-feel; never null while the owner lives.
    virtual TcxLookAndFeel* GetLookAndFeel() = 0;

protected:
    ~IcxLookAndFeelContainer() = default;
};
