// FreeType + fontconfig text rendering with Windows placement: the requested
// height is the character cell (win ascent + win descent), the origin is the
// cell's top-left corner, and advances are whole pixels as GDI lays them out.
//
// [SECTION] face choice   - Windows face names to fontconfig patterns
// [SECTION] code page     - Windows-1252 bytes to Unicode
// [SECTION] rasterizer    - sizing, glyph loading, coverage blending
#include "platform/font_rasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <tuple>

namespace lumen::platform {

namespace {

// [SECTION] face choice

// The installed face that stands in for each Windows face the show names. Faces
// with metric-compatible clones map to them; the rest to the nearest look.
struct FaceHint {
    const char* windowsName;
    const char* family;
    bool forceBold;  // the Windows face is heavy in its regular style
    int width;       // FC_WIDTH
};

constexpr FaceHint kFaceHints[] = {
    {"Arial", "Liberation Sans", false, FC_WIDTH_NORMAL},
    {"Courier New", "Liberation Mono", false, FC_WIDTH_NORMAL},
    {"Fixedsys", "DejaVu Sans Mono", true, FC_WIDTH_NORMAL},
    {"Impact", "DejaVu Sans", true, FC_WIDTH_CONDENSED},
    {"Symbol", "Standard Symbols PS", false, FC_WIDTH_NORMAL},
    {"Tahoma", "DejaVu Sans", false, FC_WIDTH_CONDENSED},
    {"Times New Roman", "Liberation Serif", false, FC_WIDTH_NORMAL},
    {"Verdana", "DejaVu Sans", false, FC_WIDTH_NORMAL},
};

const FaceHint* hintFor(std::string_view name) {
    for (const FaceHint& h : kFaceHints)
        if (name == h.windowsName) return &h;
    return nullptr;
}

// [SECTION] code page

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t cp1252ToUnicode(uint8_t c) {
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
    return c;
}

// The Symbol face draws Greek where other faces have Latin letters. When the
// stand-in font has no symbol code page, its Unicode Greek is used instead.
constexpr uint16_t kSymbolUpper[26] = {
    0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C,
    0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396,
};
constexpr uint16_t kSymbolLower[26] = {
    0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC,
    0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6,
};

uint32_t symbolToUnicode(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return kSymbolUpper[c - 'A'];
    if (c >= 'a' && c <= 'z') return kSymbolLower[c - 'a'];
    switch (c) {
        case 0x22: return 0x2200;  // for all
        case 0x24: return 0x2203;  // there exists
        case 0x27: return 0x220B;  // contains as member
        case 0x2A: return 0x2217;  // asterisk operator
        case 0x2D: return 0x2212;  // minus
        case 0x40: return 0x2245;  // approximately equal
        case 0x5C: return 0x2234;  // therefore
        case 0x5E: return 0x22A5;  // up tack
        default: return cp1252ToUnicode(c);
    }
}

// [SECTION] rasterizer

struct LoadedFace {
    FT_Face face = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
    bool symbolMap = false;   // the font has a symbol code page of its own
    bool symbolFace = false;  // the Windows face asked for is Symbol
};

class FreeTypeRasterizer final : public FontRasterizer {
public:
    FreeTypeRasterizer(FT_Library library, FcConfig* config) : library_(library), config_(config) {}

    ~FreeTypeRasterizer() override {
        for (auto& [key, face] : faces_)
            if (face.face) FT_Done_Face(face.face);
        FT_Done_FreeType(library_);
        FcConfigDestroy(config_);
    }

    ResolvedFace resolve(std::string_view faceName, bool bold, bool italic) override {
        ResolvedFace out;
        int index = 0, weight = 0, slant = 0;
        if (!match(faceName, bold, italic, &out, &index, &weight, &slant)) return {};
        return out;
    }

    void render(const TextRequest& request, uint8_t* canvas) override {
        LoadedFace* lf = load(request.faceName, request.bold, request.italic);
        if (!lf) return;
        FT_Face face = lf->face;

        // Scale so that win ascent + win descent spans the requested cell.
        const int cell = request.cellHeight > 0 ? request.cellHeight : kDefaultCell;
        long ascentUnits = face->ascender, descentUnits = -face->descender;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        const double cellUnits = double(ascentUnits + descentUnits);
        if (cellUnits <= 0) return;
        const double emPixels = cell * double(face->units_per_EM) / cellUnits;
        FT_Size_RequestRec size{};
        size.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        size.height = FT_Long(std::lround(emPixels * 64));
        if (FT_Request_Size(face, &size) != 0) return;
        const int ascent = int(std::lround(ascentUnits * cell / cellUnits));

        const int baseline = request.originY + ascent;
        long penX = request.originX;
        for (unsigned char c : request.text) {
            if (penX >= kTextCanvasSize) break;
            FT_UInt glyph = 0;
            if (lf->symbolMap) glyph = FT_Get_Char_Index(face, 0xF000 + c);
            if (!glyph) glyph = FT_Get_Char_Index(face, lf->symbolFace ? symbolToUnicode(c) : cp1252ToUnicode(c));
            // A symbol the stand-in font lacks falls back to the plain character.
            if (!glyph && lf->symbolFace) glyph = FT_Get_Char_Index(face, cp1252ToUnicode(c));
            if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) continue;
            if (lf->synthBold) FT_GlyphSlot_Embolden(face->glyph);
            if (lf->synthItalic) FT_GlyphSlot_Oblique(face->glyph);
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
            blit(face->glyph, int(penX) + face->glyph->bitmap_left, baseline - face->glyph->bitmap_top, canvas);
            // GDI places characters at whole-pixel advances.
            penX += (face->glyph->advance.x + 32) >> 6;
        }
    }

private:
    static constexpr int kDefaultCell = 16;

    bool match(std::string_view faceName, bool bold, bool italic, ResolvedFace* out, int* index, int* weight,
               int* slant) {
        const FaceHint* hint = hintFor(faceName);
        FcPattern* pattern = FcPatternCreate();
        std::string name(faceName);
        if (hint) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(hint->family));
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        // Any sans face rather than nothing.
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
        const bool wantBold = bold || (hint && hint->forceBold);
        FcPatternAddInteger(pattern, FC_WEIGHT, wantBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        if (hint) FcPatternAddInteger(pattern, FC_WIDTH, hint->width);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(config_, pattern, &result);
        FcPatternDestroy(pattern);
        if (!found) return false;
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        FcChar8* style = nullptr;
        bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
        if (ok) {
            out->file = reinterpret_cast<const char*>(file);
            if (FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch)
                out->family = reinterpret_cast<const char*>(family);
            if (FcPatternGetString(found, FC_STYLE, 0, &style) == FcResultMatch)
                out->style = reinterpret_cast<const char*>(style);
            if (FcPatternGetInteger(found, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
            if (FcPatternGetInteger(found, FC_WEIGHT, 0, weight) != FcResultMatch) *weight = FC_WEIGHT_REGULAR;
            if (FcPatternGetInteger(found, FC_SLANT, 0, slant) != FcResultMatch) *slant = FC_SLANT_ROMAN;
        }
        FcPatternDestroy(found);
        return ok;
    }

    LoadedFace* load(std::string_view faceName, bool bold, bool italic) {
        auto key = std::make_tuple(std::string(faceName), bold, italic);
        if (auto it = faces_.find(key); it != faces_.end()) return it->second.face ? &it->second : nullptr;
        LoadedFace& lf = faces_[key];
        ResolvedFace resolved;
        int index = 0, weight = 0, slant = 0;
        if (!match(faceName, bold, italic, &resolved, &index, &weight, &slant)) return nullptr;
        if (FT_New_Face(library_, resolved.file.c_str(), index, &lf.face) != 0) {
            lf.face = nullptr;
            return nullptr;
        }
        const FaceHint* hint = hintFor(faceName);
        const bool wantBold = bold || (hint && hint->forceBold);
        lf.synthBold = wantBold && weight < FC_WEIGHT_DEMIBOLD;
        lf.synthItalic = italic && slant == FC_SLANT_ROMAN;
        lf.symbolFace = faceName == "Symbol";
        if (lf.symbolFace) lf.symbolMap = FT_Select_Charmap(lf.face, FT_ENCODING_MS_SYMBOL) == 0;
        if (!lf.symbolMap) FT_Select_Charmap(lf.face, FT_ENCODING_UNICODE);
        return &lf;
    }

    // White text over the canvas: overlapping glyph edges keep the brighter value.
    static void blit(FT_GlyphSlot slot, int left, int top, uint8_t* canvas) {
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int y = top + int(row);
            if (y < 0 || y >= kTextCanvasSize) continue;
            const uint8_t* src = bm.buffer + std::ptrdiff_t(row) * bm.pitch;
            for (unsigned col = 0; col < bm.width; ++col) {
                const int x = left + int(col);
                if (x < 0 || x >= kTextCanvasSize) continue;
                uint8_t& dst = canvas[y * kTextCanvasSize + x];
                if (src[col] > dst) dst = src[col];
            }
        }
    }

    FT_Library library_;
    FcConfig* config_;
    std::map<std::tuple<std::string, bool, bool>, LoadedFace> faces_;
};

}  // namespace

std::unique_ptr<FontRasterizer> FontRasterizer::create(std::string* error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        if (error) *error = "fontconfig could not load its configuration";
        return nullptr;
    }
    FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
    if (!fonts || fonts->nfont == 0) {
        FcConfigDestroy(config);
        if (error) *error = "no fonts are installed (install fonts-liberation2 and fonts-dejavu-core)";
        return nullptr;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        FcConfigDestroy(config);
        if (error) *error = "FreeType could not start";
        return nullptr;
    }
    return std::make_unique<FreeTypeRasterizer>(library, config);
}

}  // namespace lumen::platform
