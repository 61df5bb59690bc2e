// Program entry: with arguments, the command line's run, preview or undo without a window;
// without, builds the main window from its stored description and runs the loop.
#include "CommandLine.h"
#include "Unit1.h"

#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtApplication.h"
#include "runtime/rtLibrarySearch.h"
#include "shell/cxShellListView.h"

#include <shellapi.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

int RunFromCommandLine(const std::vector<std::wstring>& args)
{
    TConsoleOutput output;
    try {
        return RunCommand(ParseCommandLine(args, static_cast<int>(std::thread::hardware_concurrency())),
                          output, DefaultJournalFolder());
    } catch (const std::exception& e) {
        const auto* own = dynamic_cast<const Exception*>(&e);
        output.Error(L"corvane: " + (own ? own->Message() : FromUtf8(e.what())));
        return kExitBadInput;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // The batch run makes user folders current; a library lying in one of them must never be
    // loaded in place of the system's own.
    RemoveCurrentFolderFromLibrarySearch();
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        const std::vector<std::wstring> args(argv + 1, argv + std::max(argc, 1));
        LocalFree(argv);
        if (!args.empty())
            return RunFromCommandLine(args);
    }
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
