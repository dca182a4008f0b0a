#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <string>

#include "win32/main_kryvet.h"
#include "win32/message_boxes.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        kryvet::win32::TMainKryvet mainKryvet;
        mainKryvet.FormCreate();
        int count = 0;
        if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
            if (count > 1) {
                mainKryvet.OpenFromCommandLine(arguments[1]);
            }
            LocalFree(arguments);
        }
        return mainKryvet.Run();
    } catch (const std::exception& error) {
        kryvet::win32::ShowErrorBox(nullptr, error.what());
        return 1;
    }
}
