// The Windows file services on real files, as Wine shows them: the
// exclusive open, the pin's identity, the attribute word around a round
// trip, long and Japanese names, and the errors said in errno's words.
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "app/error_messages.h"
#include "engine/file_layout.h"
#include "engine/platform_file_windows.h"
#include "engine/windows_errors.h"
#include "engine/windows_paths.h"
#include "support/engine_run.h"

using namespace kryvet;
using platform::PlatformFile;
using platform::WindowsPlatformFile;

namespace {

// A scratch folder of the test's own, removed with what is in it.
class WindowsTempDir {
public:
    WindowsTempDir() {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        path_ = std::wstring(base) + L"kryvet-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~WindowsTempDir() { Remove(L"\\\\?\\" + path_); }
    std::wstring Wide(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::string File(const std::wstring& name) const { return platform::Utf8OfWide(Wide(name)); }

private:
    static void Remove(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        while (search != INVALID_HANDLE_VALUE) {
            const std::wstring name = found.cFileName;
            const std::wstring path = folder + L"\\" + name;
            if (name != L"." && name != L"..") {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? Remove(path)
                    : (void)DeleteFileW(path.c_str());
            }
            if (!FindNextFileW(search, &found)) {
                FindClose(search);
                break;
            }
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::wstring path_;
};

void WriteWide(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ReadWide(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return "<unreadable>";
    }
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    return bytes;
}

std::string Contents(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + 3);
    }
    return bytes;
}

// The attribute bits this test is about: Wine reports archive on every file.
DWORD Attributes(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
}

}  // namespace

// While a rewrite holds the file nobody else opens, moves or deletes it, this
// program's other instances included; a read-only file waiting for its
// password may still be read, not written. Closed, it is free again.
TEST(WindowsPlatform, ExclusiveOpenRefusesEveryOtherOpen) {
    WindowsTempDir dir;
    const std::wstring path = dir.Wide(L"held.bin");
    WriteWide(path, Contents(1000));
    for (const auto access : {PlatformFile::Access::ReadWrite, PlatformFile::Access::Read}) {
        SCOPED_TRACE(access == PlatformFile::Access::Read ? "read" : "read and write");
        WindowsPlatformFile files;
        const platform::Handle pin = files.Pin(dir.File(L"held.bin"));
        ASSERT_GE(pin, 0);
        const platform::Handle held = files.OpenPinned(pin, access);
        ASSERT_GE(held, 0) << files.LastWindowsError();

        HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(reader != INVALID_HANDLE_VALUE, access == PlatformFile::Access::Read);
        if (reader != INVALID_HANDLE_VALUE) {
            CloseHandle(reader);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(MoveFileExW(path.c_str(), dir.Wide(L"moved.bin").c_str(), 0));
        EXPECT_FALSE(DeleteFileW(path.c_str()));

        WindowsPlatformFile other;
        const platform::Handle otherPin = other.Pin(dir.File(L"held.bin"));
        ASSERT_GE(otherPin, 0) << "a pin opens no data, so it is not refused";
        EXPECT_EQ(other.OpenPinned(otherPin, PlatformFile::Access::ReadWrite), -1);
        EXPECT_EQ(other.LastError(), EBUSY);
        const platform::Handle look = other.OpenPinned(otherPin, PlatformFile::Access::Look);
        EXPECT_EQ(look >= 0, access == PlatformFile::Access::Read) << "a look only reads";
        if (look >= 0) {
            other._lclose(look);
        }

        files._lclose(held);
        const platform::Handle after = other.OpenPinned(otherPin, PlatformFile::Access::ReadWrite);
        EXPECT_GE(after, 0) << "free once closed";
        other._lclose(after);
        EXPECT_EQ(ReadWide(path), Contents(1000));
    }
}

// A pin is the file, not its name: its identity is the same after a rename,
// and neither a renamed file nor one swapped in under its name is opened.
TEST(WindowsPlatform, PinKeepsItsIdentityAndRefusesAnotherFile) {
    WindowsTempDir dir;
    WriteWide(dir.Wide(L"a"), Contents(600));
    WriteWide(dir.Wide(L"b"), Contents(700));
    WindowsPlatformFile files;
    platform::FileStatus a, b, pinned, renamed;
    ASSERT_EQ(files.StatusOfName(dir.File(L"a"), a), 0);
    ASSERT_EQ(files.StatusOfName(dir.File(L"b"), b), 0);
    EXPECT_FALSE(a.identity == b.identity);
    EXPECT_EQ(a.size, 600);
    EXPECT_TRUE(a.regular);

    const platform::Handle pin = files.Pin(dir.File(L"a"));
    ASSERT_GE(pin, 0);
    ASSERT_TRUE(MoveFileExW(dir.Wide(L"a").c_str(), dir.Wide(L"a2").c_str(), 0));
    ASSERT_EQ(files.Status(pin, pinned), 0);
    ASSERT_EQ(files.StatusOfName(dir.File(L"a2"), renamed), 0);
    EXPECT_TRUE(pinned.identity == a.identity);
    EXPECT_TRUE(renamed.identity == a.identity);
    EXPECT_EQ(files.OpenPinned(pin, PlatformFile::Access::ReadWrite), -1);
    EXPECT_EQ(files.LastError(), platform::kErrorNotPinnedFile);

    ASSERT_TRUE(MoveFileExW(dir.Wide(L"b").c_str(), dir.Wide(L"a").c_str(), 0));
    EXPECT_EQ(files.OpenPinned(pin, PlatformFile::Access::ReadWrite), -1) << "swapped in";
    EXPECT_EQ(files.LastError(), platform::kErrorNotPinnedFile);
    EngineRun run(files, dir.File(L"a"));
    EXPECT_EQ(run.Encrypt("pw"), "") << "the file now named is its own";
    EXPECT_EQ(ReadWide(dir.Wide(L"a2")), Contents(600)) << "the pinned one untouched";

    platform::FileStatus folder;
    ASSERT_EQ(files.StatusOfName(platform::Utf8OfWide(dir.Wide(L"")), folder), 0);
    EXPECT_FALSE(folder.regular);
}

// The header stores the attribute word as it was read; encryption adds
// read-only to it and decryption gives back the word from the header, also
// where the encrypted file's own word was changed meanwhile.
TEST(WindowsPlatform, AttributeWordBeforeAndAfter) {
    constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
    constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;
    constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
    const struct {
        DWORD before;
        DWORD whileEncrypted;  // 0: left as encryption made it
    } cases[] = {{FILE_ATTRIBUTE_NORMAL, 0},
                 {kReadOnly, 0},
                 {kHidden, 0},
                 {kSystem, 0},
                 {kHidden | kSystem, 0},
                 {kHidden, kReadOnly},
                 {FILE_ATTRIBUTE_NORMAL, kHidden | kSystem}};
    WindowsTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        const std::wstring path = dir.Wide(L"attributes.bin");
        WriteWide(path, Contents(3000));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.before));
        const DWORD before = Attributes(path);
        ASSERT_EQ(before & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
                  c.before & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));

        WindowsPlatformFile files;
        EngineRun run(files, dir.File(L"attributes.bin"));
        ASSERT_EQ(run.Encrypt("pw"), "");
        const std::string encrypted = ReadWide(path);
        ASSERT_EQ(encrypted.size(), 3000u + 128);
        const DWORD stored = static_cast<std::uint8_t>(encrypted[68]) |
                             static_cast<std::uint8_t>(encrypted[69]) << 8;
        EXPECT_EQ(stored & 0x27u, before) << "the word as it was read";
        EXPECT_EQ(Attributes(path), before | FILE_ATTRIBUTE_READONLY);
        if (c.whileEncrypted != 0) {
            // Given while writable: Wine loses hidden and system given to a
            // read-only file.
            SetFileAttributesW(path.c_str(), c.whileEncrypted & ~kReadOnly);
            SetFileAttributesW(path.c_str(), c.whileEncrypted);
        }

        ASSERT_EQ(run.Decrypt("pw"), "");
        EXPECT_EQ(ReadWide(path), Contents(3000));
        EXPECT_EQ(Attributes(path), before);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
}

// Names beyond MAX_PATH and outside every ANSI code page round-trip.
TEST(WindowsPlatform, LongAndJapaneseNames) {
    WindowsTempDir dir;
    std::wstring deep = dir.Wide(L"");
    for (int i = 0; i < 4; ++i) {
        deep += std::wstring(70, static_cast<wchar_t>(L'a' + i)) + L"\\";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring names[] = {dir.Wide(L"秘密の書類 ①.txt"), dir.Wide(L"Ωμέγα ünïcode 한글"),
                                  deep + L"長い名前.bin"};
    for (const std::wstring& name : names) {
        const std::string utf8 = platform::Utf8OfWide(name);
        SCOPED_TRACE(utf8);
        WriteWide(L"\\\\?\\" + name, Contents(2000));
        WindowsPlatformFile files;
        EngineRun run(files, utf8);
        ASSERT_EQ(run.Encrypt("\x94\xe9\x96\xa7"), "");  // 秘密
        EXPECT_EQ(ReadWide(L"\\\\?\\" + name).size(), 2000u + 128);
        ASSERT_EQ(run.Decrypt("\x94\xe9\x96\xa7"), "");
        EXPECT_EQ(ReadWide(L"\\\\?\\" + name), Contents(2000));
    }
    EXPECT_GT(names[2].size(), static_cast<std::size_t>(MAX_PATH));
}

// Windows' codes reach the messages' table in errno's words: from the real
// calls where Wine can be made to give them, and for every code the table
// names.
TEST(WindowsPlatform, ErrorsAreSaidAsTheTableSaysThem) {
    const struct {
        DWORD windows;
        int errnoValue;
        int classic;  // the messages' table; 0 for a failure kind of its own
    } codes[] = {{ERROR_FILE_NOT_FOUND, ENOENT, 2},
                 {ERROR_PATH_NOT_FOUND, ENOTDIR, 3},
                 {ERROR_INVALID_NAME, ENOTDIR, 3},
                 {ERROR_TOO_MANY_OPEN_FILES, EMFILE, 4},
                 {ERROR_ACCESS_DENIED, EACCES, 5},
                 {ERROR_WRITE_PROTECT, EROFS, 5},
                 {ERROR_SHARING_VIOLATION, EBUSY, 5},
                 {ERROR_LOCK_VIOLATION, EBUSY, 5},
                 {ERROR_DISK_FULL, ENOSPC, 101},
                 {ERROR_HANDLE_DISK_FULL, ENOSPC, 101},
                 {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, 0},
                 {ERROR_CRC, EIO, 0}};
    for (const auto& c : codes) {
        EXPECT_EQ(platform::ErrnoOfWindowsError(c.windows), c.errnoValue) << c.windows;
        EXPECT_EQ(ClassicCodeForErrno(c.errnoValue), c.classic) << c.windows;
    }

    WindowsTempDir dir;
    WriteWide(dir.Wide(L"readonly"), Contents(10));
    SetFileAttributesW(dir.Wide(L"readonly").c_str(), FILE_ATTRIBUTE_READONLY);
    WindowsPlatformFile files;
    EXPECT_EQ(files.Pin(dir.File(L"missing")), -1);
    EXPECT_EQ(files.LastWindowsError(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(files.LastError(), ENOENT);
    EXPECT_EQ(files.Pin(dir.File(L"missing\\file")), -1);
    EXPECT_EQ(files.LastWindowsError(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(files.LastError(), ENOTDIR);
    const platform::Handle pin = files.Pin(dir.File(L"readonly"));
    ASSERT_GE(pin, 0);
    EXPECT_EQ(files.OpenPinned(pin, PlatformFile::Access::ReadWrite), -1);
    EXPECT_EQ(files.LastError(), EACCES) << "read-only, even for an administrator";
    EngineRun missing(files, dir.File(L"missing"));
    EXPECT_EQ(missing.Encrypt("pw"), "refused:NotFound");
}
