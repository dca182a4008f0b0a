// Writes seed inputs for fuzz_recover: files left by encryptions and
// decryptions stopped at several points, as a crash leaves them once what
// was written is on the disk. Made by the engine itself, so the seeds always
// have today's layout.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/operations.h"
#include "support/memory_platform.h"

namespace {

struct Unseen : kryvet::ProgressSink {
    void Progress(int) override {}
};

std::string Bytes(std::size_t size) {
    std::string s(size, '\0');
    unsigned x = static_cast<unsigned>(size) * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

// Runs the rewrite on `input`; its events and the file it ends with.
MemoryPlatform Run(bool encrypt, const std::string& input, const kryvet::RewriteOptions& options) {
    MemoryPlatform files;
    files.Add("f", input);
    files.recordEvents = true;
    Unseen unseen;
    kryvet::Preparation prepared =
        encrypt ? kryvet::PrepareEncryption(files, "f") : kryvet::PrepareDecryption(files, "f");
    if (auto* file = std::get_if<kryvet::PinnedFile>(&prepared)) {
        const auto password = std::get<kryvet::Password>(kryvet::Password::FromUtf8("pw"));
        encrypt ? kryvet::Encrypt(std::move(*file), password, unseen, options)
                : kryvet::Decrypt(std::move(*file), password, unseen, options);
    }
    return files;
}

std::string StoppedAfter(std::string data, const MemoryPlatform& run, std::size_t events) {
    for (std::size_t i = 0; i < events && i < run.events.size(); ++i) {
        const MemoryPlatform::Event& e = run.events[i];
        if (e.kind == MemoryPlatform::Event::Cut) {
            data.resize(static_cast<std::size_t>(e.at), '\0');
        } else if (e.kind == MemoryPlatform::Event::Write) {
            const auto end = static_cast<std::size_t>(e.at) + e.bytes.size();
            if (data.size() < end)
                data.resize(end, '\0');
            data.replace(static_cast<std::size_t>(e.at), e.bytes.size(), e.bytes);
        }
    }
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 64;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    int written = 0;
    for (const std::size_t size : {1, 600, 3000, 7000}) {
        for (const bool encrypt : {true, false}) {
            const kryvet::RewriteOptions options{1, true, 3};
            const std::string plain = Bytes(size);
            const std::string input = encrypt ? plain : Run(true, plain, {1, true, 0}).Data("f");
            const MemoryPlatform run = Run(encrypt, input, options);
            for (const std::size_t part : {1, 2, 3}) {
                const std::string stopped = StoppedAfter(input, run, run.events.size() * part / 4);
                // Resealed, and for decryption with the decrypt button.
                const char flags = static_cast<char>(4 | (encrypt ? 0 : 8));
                const std::string name = (encrypt ? "encrypt-" : "decrypt-") +
                                         std::to_string(size) + "-" + std::to_string(part);
                std::ofstream(dir / name, std::ios::binary) << flags << stopped;
                ++written;
            }
        }
    }
    std::printf("%d seeds\n", written);
    return 0;
}
