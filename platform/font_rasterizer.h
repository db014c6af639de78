// Text rendering for the texture generator: FreeType draws the glyphs and
// fontconfig maps the show's Windows face names to installed fonts.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lumen::platform {

constexpr int kTextCanvasSize = 256;

struct TextRequest {
    // 8-bit text in the Windows-1252 code page.
    std::string_view text;
    // A Windows face name such as "Arial" or "Times New Roman".
    std::string_view faceName;
    // Character cell height in pixels (ascent + descent); 0 picks a default.
    int cellHeight = 0;
    // Top-left corner of the first character cell; the baseline sits at
    // originY + ascent.
    int originX = 0;
    int originY = 0;
    bool italic = false;
    bool bold = false;
};

// Which installed font a face name resolved to, for tools and diagnostics.
struct ResolvedFace {
    std::string file;
    std::string family;
    std::string style;
};

class FontRasterizer {
public:
    // Null when FreeType cannot start or fontconfig knows no font at all; the
    // reason goes into *error.
    static std::unique_ptr<FontRasterizer> create(std::string* error);
    virtual ~FontRasterizer() = default;

    // Adds nothing, clears nothing: writes the coverage (0 background, 255 full
    // glyph) of the text, white on black, into canvas, 256 x 256 bytes, rows
    // top-down, which the caller has zeroed. Clipped to the canvas.
    virtual void render(const TextRequest& request, uint8_t* canvas) = 0;

    // The font file a face name and style map to.
    virtual ResolvedFace resolve(std::string_view faceName, bool bold, bool italic) = 0;
};

}  // namespace lumen::platform
