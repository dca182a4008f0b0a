// Writes the seed inputs of the two fuzz targets: valid encrypted files of a
// few sizes, truncated ones, ones with a stored size that cannot be, and
// plain files with and without the marker.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "reference_layout.h"

namespace {

std::string Bytes(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

void Put(const std::filesystem::path& dir, const std::string& name, const std::string& data) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string WithStoredSize(std::string f, std::uint32_t size) {
    for (int i = 0; i < 4; ++i)
        f[64 + i] = static_cast<char>(size >> (8 * i));
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_ROOT\n", argv[0]);
        return 64;
    }
    const std::filesystem::path root = argv[1];
    const auto decrypt = root / "decrypt";
    const auto encrypt = root / "encrypt";
    const std::uint8_t clock[8] = {0xbd, 0xe3, 0x14, 0x95, 0x6d, 0xa3, 0xe6, 0x40};
    const std::uint8_t noon[8] = {0, 0, 0, 0, 0x70, 0xa3, 0xe6, 0x40};
    const std::string sjis = "\x88\xc3\x8d\x86";  // two double-byte characters
    std::string fifty;
    for (int i = 0; i < 25; ++i)
        fifty += "\x88\xc3";

    const struct {
        std::size_t size;
        std::string password;
        const std::uint8_t* clock;
        std::uint8_t options;
    } valid[] = {
        {1, "pw", clock, 0},        {100, sjis, clock, 1}, {512, "pw", noon, 2},
        {700, fifty, clock, 3 | 4}, {1100, "x", clock, 0}, {2048, sjis + "a", noon, 1},
    };
    for (const auto& v : valid) {
        const std::string plain = Bytes(v.size, static_cast<unsigned>(v.size));
        const std::string f = ReferenceEncryptedFile(plain, v.password, v.clock, 0x80);
        const std::string tag = std::to_string(v.size);
        Put(decrypt, "valid-" + tag, MakeFuzzInput(v.password, v.options, 1, f));
        Put(decrypt, "wrong-password-" + tag, MakeFuzzInput(v.password + "!", v.options, 1, f));
        Put(encrypt, "plain-" + tag, MakeFuzzInput(v.password, v.options, 9, plain));
    }
    const std::string f700 = ReferenceEncryptedFile(Bytes(700, 7), "pw", clock, 0x01);
    for (std::size_t cut : {6, 70, 128, 129, 400, 827}) {
        Put(decrypt, "truncated-" + std::to_string(cut),
            MakeFuzzInput("pw", 0, 1, f700.substr(0, cut)));
    }
    for (std::uint32_t stored : {0u, 0xFFFFFFFFu, 759u, 0x7FFFFFFFu, 758u}) {
        Put(decrypt, "stored-size-" + std::to_string(stored),
            MakeFuzzInput("pw", 1, 1, WithStoredSize(f700, stored)));
    }
    Put(decrypt, "plain", MakeFuzzInput("pw", 0, 1, Bytes(300, 3)));

    // Plain files that carry the marker by chance: taken as encrypted from
    // 129 bytes on, never below.
    std::string marked = Bytes(129, 5);
    for (int i = 0; i < 6; ++i)
        marked[i] = static_cast<char>("Kryvet"[i] ^ marked[6]);
    Put(encrypt, "marked-129", MakeFuzzInput("pw", 0, 3, marked));
    Put(encrypt, "marked-128", MakeFuzzInput("pw", 0, 3, marked.substr(0, 128)));
    Put(encrypt, "empty", MakeFuzzInput("pw", 0, 3, ""));
    Put(encrypt, "no-password", MakeFuzzInput("", 0, 3, Bytes(50, 1)));
    Put(encrypt, "already-encrypted", MakeFuzzInput("pw", 0, 3, f700));
    return 0;
}
