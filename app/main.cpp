// Program entry: builds the main window from its stored description and runs the loop.
#include "Unit1.h"

#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtApplication.h"
#include "runtime/rtLibrarySearch.h"
#include "shell/cxShellListView.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // The batch run makes user folders current; a library lying in one of them must never be
    // loaded in place of the system's own.
    RemoveCurrentFolderFromLibrarySearch();
    SetProcessDPIAware();
    // The shell module (OLE, the icon-query lock, its entry points, the special-folder table)
    // lives from before the main window until after it.
    TcxShellModuleScope shellModule;
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    TApplication application;
    application.Initialize();
    // Errors inside the look-and-feel layer's own window callbacks end in the error box too.
    SetCallbackErrorHandler([&application](const std::exception* error) {
        if (dynamic_cast<const EAbort*>(error))
            return;
        if (auto* e = dynamic_cast<const Exception*>(error))
            application.ShowException(e->Message());
        else
            application.ShowException(error ? FromUtf8(error->what()) : std::wstring(L"Unknown error"));
    });
    try {
        application.CreateForm(Form1);
    } catch (...) {
        application.HandleException(std::current_exception());
        return 1;
    }
    application.Run();
    SetCallbackErrorHandler(nullptr);
    return 0;
}
