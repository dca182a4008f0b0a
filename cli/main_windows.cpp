// kryvet-cli.exe: the command line on Windows. Arguments come as UTF-16
// (a narrow argv would hold "?" for what the ANSI code page lacks) and go
// on as UTF-8; the console speaks UTF-8 for the run.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cli/run.h"
#include "engine/platform_file_windows.h"
#include "engine/windows_paths.h"

namespace {

// The console's code pages for the run, given back at its end.
class Utf8Console {
public:
    Utf8Console() : input_(GetConsoleCP()), output_(GetConsoleOutputCP()) {
        if (output_ != 0) {
            SetConsoleOutputCP(CP_UTF8);
            SetConsoleCP(CP_UTF8);
        }
        // The progress line's escapes, where the console takes them.
        for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            const HANDLE handle = GetStdHandle(which);
            DWORD mode = 0;
            if (GetConsoleMode(handle, &mode)) {
                SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
            }
        }
    }
    ~Utf8Console() {
        if (output_ != 0) {
            SetConsoleOutputCP(output_);
            SetConsoleCP(input_);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT input_;
    UINT output_;
};

}  // namespace

int wmain(int argc, wchar_t** wargv) {
    // Bytes as they are: no CR added before a line end.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    const Utf8Console console;
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(kryvet::platform::Utf8OfWide(wargv[i]));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    kryvet::platform::WindowsPlatformFile files;
    return kryvet::cli::RunCommandLine(argc, argv.data(), files);
}
