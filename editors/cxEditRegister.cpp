#include "cxEditRegister.h"

#include "editors/cxButtonEdit.h"
#include "editors/cxEditRepositoryItems.h"
#include "editors/cxTextEdit.h"

void RegisterEditorClasses()
{
    RegisterEditProperties(L"TcxButtonEditProperties",
                           L"ButtonEdit|Represents an edit control with embedded buttons",
                           [](TcxCustomEdit* owner) { return new TcxButtonEditProperties(owner); });
    RegisterComponentClass(L"TcxTextEdit",
                           [](TComponent* owner) -> TComponent* { return new TcxTextEdit(owner); });
    RegisterComponentClass(L"TcxEditStyleController", [](TComponent* owner) -> TComponent* {
        return new TcxEditStyleController(owner);
    });
    RegisterComponentClass(L"TcxButtonEdit",
                           [](TComponent* owner) -> TComponent* { return new TcxButtonEdit(owner); });
    RegisterComponentClass(L"TcxEditRepositoryTextItem", [](TComponent* owner) -> TComponent* {
        return new TcxEditRepositoryTextItem(owner);
    });
    RegisterComponentClass(L"TcxLookAndFeelController", [](TComponent* owner) -> TComponent* {
        return new TcxLookAndFeelController(owner);
    });
    RegisterComponentClass(L"TcxEditRepositoryButtonItem", [](TComponent* owner) -> TComponent* {
        return new TcxEditRepositoryButtonItem(owner);
    });
}
