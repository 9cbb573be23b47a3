// libFuzzer target for the rich-text reader: any bytes, as they come and
// behind an RTF header, must be read without a crash or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "output/core/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const jotanor::RtfDocument plain = jotanor::readRtf(input);
    const jotanor::RtfDocument rich = jotanor::readRtf("{\\rtf1 " + input);
    // Every run holds text, and the text is not longer than the input allows.
    for (const auto* doc : {&plain, &rich})
        for (const auto& p : doc->paragraphs)
            for (const auto& r : p.runs)
                if (r.text.empty() || r.text.size() > 4 * (size + 8)) __builtin_trap();
    return 0;
}
