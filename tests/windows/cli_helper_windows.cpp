// kryvet-cli's own code on Windows' file services with a clock that always
// says what the Linux helper's says, so that both builds encrypt a file to
// the same bytes:
//   helper [--hold-at-write N@PATH] ARGS...
// --hold-at-write holds the N-th write until PATH exists (a minute at
// most): the rewrite stands still, holding its file, while a test looks.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/run.h"
#include "engine/platform_file_windows.h"
#include "engine/windows_paths.h"

namespace {

class TestFiles : public kryvet::platform::WindowsPlatformFile {
public:
    explicit TestFiles(const std::string& holdAt) {
        if (const auto at = holdAt.find('@'); at != std::string::npos) {
            holdAt_ = std::atol(holdAt.c_str());
            releasedBy_ = kryvet::platform::WideOfUtf8(holdAt.substr(at + 1)).value_or(L"");
        }
    }
    kryvet::platform::SystemTime GetLocalTime() override {
        return {2026, 12, 1, 7, 10, 11, 12, 345};
    }
    std::int32_t _lwrite(kryvet::platform::Handle handle, const void* buffer,
                         std::int32_t count) override {
        if (holdAt_ > 0 && --holdAt_ == 0) {
            for (int tenths = 0;
                 tenths < 600 && GetFileAttributesW(releasedBy_.c_str()) == INVALID_FILE_ATTRIBUTES;
                 ++tenths) {
                Sleep(100);
            }
        }
        return WindowsPlatformFile::_lwrite(handle, buffer, count);
    }

private:
    long holdAt_ = 0;
    std::wstring releasedBy_;
};

}  // namespace

int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> arguments{"kryvet-cli"};
    std::string holdAt;
    int at = 1;
    if (argc > 2 && std::wstring(wargv[1]) == L"--hold-at-write") {
        holdAt = kryvet::platform::Utf8OfWide(wargv[2]);
        at = 3;
    }
    for (; at < argc; ++at) {
        arguments.push_back(kryvet::platform::Utf8OfWide(wargv[at]));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    TestFiles files(holdAt);
    return kryvet::cli::RunCommandLine(static_cast<int>(arguments.size()), argv.data(), files);
}
