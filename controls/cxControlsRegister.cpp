#include "cxControlsRegister.h"

#include "controls/cxButtons.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"

void RegisterDisplayControlClasses()
{
    RegisterComponentClass(L"TcxLabel", [](TComponent* o) -> TComponent* { return new TcxLabel(o); });
    RegisterComponentClass(L"TcxGroupBox", [](TComponent* o) -> TComponent* { return new TcxGroupBox(o); });
    RegisterComponentClass(L"TcxProgressBar",
                           [](TComponent* o) -> TComponent* { return new TcxProgressBar(o); });
    RegisterComponentClass(L"TcxButton", [](TComponent* o) -> TComponent* { return new TcxButton(o); });
}
