// The Text operation: a string rendered white on black into a 256 x 256 bitmap,
// read back into the scratch image bottom-up, and added onto the layer
// transposed so the text's horizontal runs down the layer's rows.
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/font_rasterizer.h"
#include "texgen/operations.h"

namespace lumen::texops {

void text(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const int font = op.b[2], slot = op.b[8];
    const char* slotText = texture.textSlots[slot];
    const std::string_view str(slotText, strnlen(slotText, kTextSlotBytes));

    std::vector<uint8_t> canvas(size_t(kTextureSize) * kTextureSize, 0);
    if (!str.empty()) {
        if (platform::FontRasterizer* fonts = gen.fontRasterizer()) {
            platform::TextRequest request;
            request.text = str;
            request.faceName = gen.fontName(font);
            request.cellHeight = op.b[3];
            request.originX = op.b[4];
            request.originY = op.b[5];
            request.italic = op.b[6] != 0;
            request.bold = op.b[7] != 0;
            fonts->render(request, canvas.data());
        }
    }

    // Read-back: scratch row k holds bitmap row 255 - k as blue, green, red and
    // a fourth byte of 0.
    uint8_t* scratch = gen.scratch();
    for (int k = 0; k < kTextureSize; ++k) {
        const uint8_t* src = canvas.data() + size_t(kTextureSize - 1 - k) * kTextureSize;
        uint8_t* dst = scratch + pixelIndex(0, k);
        for (int X = 0; X < kTextureSize; ++X) {
            dst[X * 4] = dst[X * 4 + 1] = dst[X * 4 + 2] = src[X];
            dst[X * 4 + 3] = 0;
        }
    }

    // Bitmap pixel (X, Y), Y from the top, lands on layer column Y, row X.
    uint8_t* layer = texture.layers[op.layer()];
    for (int Y = 0; Y < kTextureSize; ++Y) {
        const uint8_t* bitmapRow = scratch + pixelIndex(0, kTextureSize - 1 - Y);
        for (int X = 0; X < kTextureSize; ++X) {
            uint8_t* p = layer + pixelIndex(Y, X);
            const uint8_t* b = bitmapRow + X * 4;
            for (int c = 0; c < 3; ++c) {
                const int sum = p[c] + b[c];
                p[c] = uint8_t(sum > 255 ? 255 : sum);
            }
        }
    }
}

}  // namespace lumen::texops
