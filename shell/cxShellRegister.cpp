#include "cxShellRegister.h"

#include "cxShellBrowserDialog.h"
#include "cxShellTreeView.h"
#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"

void RegisterShellClasses()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    RegisterComponentClass(L"TcxShellTreeView",
                           [](TComponent* o) -> TComponent* { return new TcxShellTreeView(o); });
    RegisterComponentClass(L"TcxShellBrowserDialog",
                           [](TComponent* o) -> TComponent* { return new TcxShellBrowserDialog(o); });
}
