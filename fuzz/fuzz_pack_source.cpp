// Fuzz target: the assembler over arbitrary text. It either reports a
// FILE:LINE error or yields a model that encodes, reads back and prints.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "pack/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    lumen::PackModel model;
    try {
        model = lumen::assemblePackSource(text, "fuzz.pack");
    } catch (const lumen::PackSourceError&) {
        return 0;
    }
    std::vector<uint8_t> bytes = lumen::encodePackModel(model);
    if (!(lumen::readPackModel(bytes) == model)) std::abort();
    if (lumen::assemblePack(lumen::disassemblePack(model), "fuzz.pack") != bytes) std::abort();
    return 0;
}
