// Fuzz target: the pack model walk over arbitrary bytes. Every input either
// reads to its last byte or stops with a PackError; one that reads must write
// back to the same bytes and survive the source form unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <stdexcept>
#include <vector>

#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "pack/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::span<const uint8_t> bytes(data, size);
    lumen::PackModel model;
    try {
        model = lumen::readPackModel(bytes);
    } catch (const lumen::PackError&) {
        return 0;
    }
    std::vector<uint8_t> again = lumen::encodePackModel(model);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    std::vector<uint8_t> reassembled = lumen::assemblePack(lumen::disassemblePack(model), "fuzz");
    if (reassembled != again) std::abort();
    return 0;
}
