#include "cxEditRegister.h"

#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"

void RegisterEditorClasses()
{
    RegisterComponentClass(L"TcxTextEdit",
                           [](TComponent* owner) -> TComponent* { return new TcxTextEdit(owner); });
    RegisterComponentClass(L"TcxEditStyleController", [](TComponent* owner) -> TComponent* {
        return new TcxEditStyleController(owner);
    });
    RegisterComponentClass(L"TcxButtonEdit",
                           [](TComponent* owner) -> TComponent* { return new TcxButtonEdit(owner); });
}
