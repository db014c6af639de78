// Packing and unpacking XM pattern cells.
#include "synth/xm_format.h"

#include <string>

namespace lumen {

std::vector<uint8_t> packXmPattern(std::span<const XmCell> cells) {
    std::vector<uint8_t> out;
    for (const XmCell& c : cells) {
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
        uint8_t mask = 0;
        for (int k = 0; k < 5; ++k)
            if (fields[k]) mask = static_cast<uint8_t>(mask | (1 << k));
        // All five present: the plain form is as short and every reader knows it.
        const bool plain = mask == 31 && c.note < xm::kPackedFlag;
        if (!plain) out.push_back(static_cast<uint8_t>(xm::kPackedFlag | mask));
        for (int k = 0; k < 5; ++k)
            if (plain || (mask & (1 << k))) out.push_back(fields[k]);
    }
    return out;
}

std::vector<XmCell> unpackXmPattern(std::span<const uint8_t> data, size_t count, size_t firstByte,
                                    std::vector<size_t>* cellOffsets) {
    std::vector<XmCell> cells(count);
    size_t at = 0;
    auto next = [&]() -> uint8_t {
        if (at >= data.size())
            throw XmFormatError("byte " + std::to_string(firstByte + at) + ": expected " + std::to_string(count) +
                                " cells in the packed pattern, but its data ends");
        return data[at++];
    };
    if (cellOffsets) cellOffsets->clear();
    for (XmCell& c : cells) {
        if (cellOffsets) cellOffsets->push_back(firstByte + at);
        const uint8_t first = next();
        const uint8_t mask = (first & xm::kPackedFlag) ? first : 31;
        uint8_t fields[5] = {};
        for (int k = 0; k < 5; ++k) {
            if (!(mask & (1 << k))) continue;
            fields[k] = (k == 0 && !(first & xm::kPackedFlag)) ? first : next();
        }
        c = XmCell{fields[0], fields[1], fields[2], fields[3], fields[4]};
    }
    if (at != data.size())
        throw XmFormatError("byte " + std::to_string(firstByte + at) + ": expected the packed pattern to end after " +
                            std::to_string(count) + " cells");
    return cells;
}

}  // namespace lumen
