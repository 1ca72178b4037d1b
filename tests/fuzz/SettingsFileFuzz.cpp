// The settings file with any contents: the store opens it without
// crashing; a file it keeps takes a write and reads back the same, and a
// file it refuses is set aside with its bytes.
#include "platform/defaults/DefaultsStore.h"
#include "tests/fuzz/FuzzTarget.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Memory-backed when /dev/shm exists, so each write's fsync costs nothing.
const fs::path& workDirectory() {
    static const fs::path directory = [] {
        const fs::path root =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path made = root / ("lumra-settings-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(made);
        std::atexit([] { fs::remove_all(workDirectory()); });
        return made;
    }();
    return directory;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& directory = workDirectory();
    for (const auto& entry : fs::directory_iterator(directory))
        fs::remove_all(entry.path());
    const fs::path file = directory / "defaults.json";
    const std::string bytes = std::string(lumra::fuzz::text(data, size));
    {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
    lumra::DefaultsStore store(directory);
    (void)store.integerForKey("interval");
    (void)store.stringForKey("name");
    (void)store.doubleForKey("ratio");
    if (!fs::exists(file)) {
        // Refused: the one file beside it holds the bytes as they were.
        bool kept = false;
        for (const auto& entry : fs::directory_iterator(directory))
            kept = kept || readAll(entry.path()) == bytes;
        if (!kept)
            std::abort();
        return 0;
    }
    store.setInteger("lumraFuzzWritten", 42);
    const lumra::DefaultsStore reopened(directory);
    if (reopened.integerForKey("lumraFuzzWritten") != 42 ||
        reopened.integerForKey("interval") != store.integerForKey("interval") ||
        reopened.stringForKey("name") != store.stringForKey("name"))
        std::abort();
    return 0;
}
