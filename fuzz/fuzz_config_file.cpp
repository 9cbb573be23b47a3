// Arbitrary bytes as a configuration file: loading either takes all five
// lines or stops with the conversion error, and what loads saves back to a
// file that loads the same.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "store/ConfigFile.h"
#include "store/Errors.h"
#include "store/IntegerText.h"

namespace {

bool same(const jotanor::Settings& a, const jotanor::Settings& b) {
    return a.backupPlace == b.backupPlace && a.leftPercent == b.leftPercent && a.bottomPercent == b.bottomPercent &&
           a.fontSize == b.fontSize && a.weekParity == b.weekParity;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace jotanor;
    static const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::filesystem::path path = folder / ("jotanor-fuzz-" + std::to_string(getpid()) + ".cfg");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : configLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
        if (auto v = parseInteger(line); v && parseInteger(std::to_string(*v)) != v) __builtin_trap();
    }

    Settings loaded;
    try {
        if (!loadConfig(nativeFileSystem(), path, loaded)) __builtin_trap();
    } catch (const ConvertError&) {
        return 0;
    }
    if (!saveConfig(nativeFileSystem(), path, loaded)) __builtin_trap();
    Settings again;
    if (!loadConfig(nativeFileSystem(), path, again) || !same(loaded, again)) __builtin_trap();
    return 0;
}
