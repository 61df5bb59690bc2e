#include "cxControlsRegister.h"

#include "controls/cxButtons.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "runtime/rtActnList.h"
#include "runtime/rtMenus.h"

void RegisterDisplayControlClasses()
{
    RegisterComponentClass(L"TcxLabel", [](TComponent* o) -> TComponent* { return new TcxLabel(o); });
    RegisterComponentClass(L"TcxGroupBox", [](TComponent* o) -> TComponent* { return new TcxGroupBox(o); });
    RegisterComponentClass(L"TcxProgressBar",
                           [](TComponent* o) -> TComponent* { return new TcxProgressBar(o); });
    RegisterComponentClass(L"TcxButton", [](TComponent* o) -> TComponent* { return new TcxButton(o); });
    // Drop-down buttons name their menus in the same description.
    RegisterMenuClasses();
    // Buttons name their actions, action lists their image lists, in the same description.
    RegisterActionClasses();
}
