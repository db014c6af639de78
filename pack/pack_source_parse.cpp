// Assembler: readable pack source into a pack model.
//
// Index
//   [LEXER]    tokens with their line numbers
//   [FIELDS]   a record's named fields and typed access with range checks
//   [RECORDS]  textures, images, scenes (lights, objects, cameras, clips), events
//   [PACK]     the file: header, then the sections in pack order
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "pack/pack_record_tables.h"
#include "pack/pack_source.h"
#include "pack/pack_source_positions.h"
#include "pack/reader.h"
#include "texgen/texture_op_table.h"

namespace lumen {

namespace {

// [LEXER] ---------------------------------------------------------------

enum class TokenKind { Word, Number, String, List, Position, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;                // word, number, song position, or the decoded string
    std::vector<std::string> items;  // list contents (numbers and words)
    int line = 0;
};

class Lexer {
public:
    Lexer(std::string_view text, const std::string& file) : in_(text), file_(file) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        for (;;) {
            Token t = next();
            tokens.push_back(t);
            if (t.kind == TokenKind::End) return tokens;
        }
    }

private:
    [[noreturn]] void fail(const std::string& what) const { throw PackSourceError(file_, in_.line(), what); }

    void skipSpace() {
        for (;;) {
            in_.skipBlanks();
            if (in_.peek() == '\n' && !in_.atEnd()) {
                in_.take();
            } else if (in_.peek() == '#') {
                in_.takeLine();
            } else {
                return;
            }
        }
    }

    static bool bare(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '+' || c == '.';
    }

    std::string bareRun() { return std::string(in_.takeWhile(bare)); }

    Token next() {
        skipSpace();
        Token t;
        t.line = in_.line();
        if (in_.atEnd()) return t;
        const char c = in_.peek();
        if (c == '"') {
            t.kind = TokenKind::String;
            t.text = stringBody();
        } else if (c == '[') {
            in_.take();
            t.kind = TokenKind::List;
            for (;;) {
                skipSpace();
                if (in_.atEnd()) fail("expected ']' to close the list opened on line " + std::to_string(t.line));
                if (in_.peek() == ']') {
                    in_.take();
                    break;
                }
                if (!bare(in_.peek()))
                    fail(std::string("expected a number or ']' in the list, found '") + in_.peek() + "'");
                t.items.push_back(bareRun());
            }
        } else if (c == kSongPositionMark) {
            t.kind = TokenKind::Position;
            t.text = std::string(in_.takeWhile([](char x) { return x == kSongPositionMark || x == ':' || bare(x); }));
        } else if (bare(c)) {
            t.text = bareRun();
            t.kind = std::isalpha(static_cast<unsigned char>(t.text[0])) || t.text[0] == '_' ? TokenKind::Word
                                                                                             : TokenKind::Number;
        } else {
            fail(std::string("unexpected character '") + c + "'");
        }
        return t;
    }

    std::string stringBody() {
        in_.take();
        std::string s;
        for (;;) {
            if (in_.atEnd() || in_.peek() == '\n') fail("expected '\"' to close the string");
            const char c = in_.take();
            if (c == '"') return s;
            if (c != '\\') {
                s += c;
                continue;
            }
            if (in_.atEnd()) fail("expected an escape after '\\'");
            const char e = in_.take();
            if (e == '"' || e == '\\') {
                s += e;
            } else if (e == 'n') {
                s += '\n';
            } else if (e == 'x' && std::isxdigit(static_cast<unsigned char>(in_.peek())) &&
                       std::isxdigit(static_cast<unsigned char>(in_.peek(1)))) {
                const char hex[3] = {in_.take(), in_.take(), '\0'};
                s += static_cast<char>(std::stoi(hex, nullptr, 16));
            } else {
                fail(std::string("expected \\\", \\\\, \\n or \\xHH, found '\\") + e + "'");
            }
        }
    }

    SourceCursor in_;
    const std::string& file_;
};

// [FIELDS] --------------------------------------------------------------

struct FieldRule {
    const char* name;
    int arity;  // number of value tokens; 0 for a bare flag word
};

struct Field {
    std::vector<Token> values;
    int line = 0;
};

class Fields {
public:
    Fields(const std::string& file, std::string what, int line, int width)
        : file_(file), what_(std::move(what)), line_(line), width_(width) {}

    std::map<std::string, Field> map;

    [[noreturn]] void fail(int line, const std::string& what) const { throw PackSourceError(file_, line, what); }

    bool has(const char* name) const { return map.count(name) != 0; }
    int line() const { return line_; }

    const Token& value(const char* name, int index = 0) const { return map.at(name).values[index]; }

    long integer(const Token& t, long lo, long hi, const char* name) const {
        if (t.kind == TokenKind::Number || (t.kind == TokenKind::Word && t.text.rfind("0x", 0) == 0)) {
            long v = 0;
            if (parseInteger(t.text, v) && v >= lo && v <= hi) return v;
        }
        if (t.kind == TokenKind::Position) {
            fail(t.line, "expected an integer " + std::to_string(lo) + " to " + std::to_string(hi) + " for " + name +
                             " of " + what_ + "; song positions such as '" + t.text +
                             "' are for an event's start and end");
        }
        fail(t.line, "expected an integer " + std::to_string(lo) + " to " + std::to_string(hi) + " for " + name +
                         " of " + what_ + ", found '" + t.text + "'");
    }

    static bool parseInteger(const std::string& s, long& v) {
        const char* p = s.data();
        const char* end = p + s.size();
        bool negative = false;
        if (p < end && *p == '-') {
            negative = true;
            ++p;
        }
        int base = 10;
        if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        }
        auto r = std::from_chars(p, end, v, base);
        if (r.ec != std::errc() || r.ptr != end) return false;
        if (negative) v = -v;
        return true;
    }

    long integer(const char* name, long lo, long hi, long fallback, int index = 0) const {
        if (!has(name)) return fallback;
        return integer(value(name, index), lo, hi, name);
    }
    uint8_t u8(const char* name, long fallback = 0, int index = 0) const {
        return static_cast<uint8_t>(integer(name, 0, 255, fallback, index));
    }
    int16_t s16(const char* name, long fallback = 0, int index = 0) const {
        return static_cast<int16_t>(integer(name, -32768, 32767, fallback, index));
    }

    PackedFloatBits packed(const Token& t, const char* name) const {
        const uint32_t limit = width_ >= 4 ? 0xFFFFFFFFu : ((1u << (8 * width_)) - 1);
        if (t.text.rfind("0x", 0) == 0) {
            long v = 0;
            if (parseInteger(t.text, v) && v >= 0 && static_cast<unsigned long>(v) <= limit) {
                return PackedFloatBits{static_cast<uint32_t>(v)};
            }
            fail(t.line, "expected the stored bits of " + std::to_string(width_) + " bytes for " + name + ", found '" +
                             t.text + "'");
        }
        float f = 0;
        auto r = t.kind == TokenKind::Number || t.kind == TokenKind::Word
                     ? std::from_chars(t.text.data(), t.text.data() + t.text.size(), f)
                     : std::from_chars_result{nullptr, std::errc::invalid_argument};
        if (r.ec != std::errc() || r.ptr != t.text.data() + t.text.size() || t.kind == TokenKind::String) {
            fail(t.line,
                 std::string("expected a decimal number for ") + name + " of " + what_ + ", found '" + t.text + "'");
        }
        return PackedFloatBits{packedBitsFromFloat(f, width_)};
    }
    PackedFloatBits packed(const char* name, int index = 0) const {
        if (!has(name)) return PackedFloatBits{};
        return packed(value(name, index), name);
    }

    // A name from a table, or its number.
    long enumerated(const char* name, std::string_view (*table)(int), long hi, long fallback) const {
        if (!has(name)) return fallback;
        const Token& t = value(name);
        if (t.kind == TokenKind::Word && t.text.rfind("0x", 0) != 0) {
            for (long v = 0; v <= hi; ++v) {
                if (table(static_cast<int>(v)) == t.text) return v;
            }
            fail(t.line, "'" + t.text + "' is not a known " + name + " of " + what_);
        }
        return integer(t, 0, hi, name);
    }

    IdListRecord idList(const char* name) const {
        IdListRecord list;
        if (!has(name)) return list;
        const Token& t = value(name);
        if (t.kind != TokenKind::List) fail(t.line, std::string("expected a list [id id ...] for ") + name);
        if (t.items.size() == 2 && t.items[0] == "count") {
            Token c{TokenKind::Number, t.items[1], {}, t.line};
            list.emptyCount = static_cast<int16_t>(integer(c, -32768, 0, "the count of an empty list"));
            return list;
        }
        if (t.items.size() > 32767) fail(t.line, std::string("expected at most 32767 ids in ") + name);
        for (const auto& item : t.items) {
            Token c{TokenKind::Number, item, {}, t.line};
            list.ids.push_back(static_cast<int16_t>(integer(c, -32768, 32767, "an id")));
        }
        return list;
    }

    const std::string& what() const { return what_; }
    int width() const { return width_; }

    // Fails on the first required field that is missing, listing them all.
    template <typename Required>
    void requireAll(const std::vector<FieldRule>& rules, Required required) const {
        for (const auto& s : rules) {
            if (has(s.name) || !required(s.name)) continue;
            std::string names;
            for (const auto& n : rules) names += std::string(" ") + n.name;
            fail(line_, what_ + " is missing " + s.name + "; its fields are:" + names);
        }
    }

private:
    const std::string& file_;
    std::string what_;
    int line_;
    int width_;
};

// [RECORDS] -------------------------------------------------------------

// The operation names, for messages.
std::string textureOpNames() {
    std::string names;
    for (const auto& row : textureOpTable()) names += (names.empty() ? "" : ", ") + std::string(row.name);
    return names;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, const std::string& file, const SongPositionLookup& positions)
        : tokens_(std::move(tokens)), file_(file), positions_(positions) {}

    PackModel run();

private:
    const Token& peek() const { return tokens_[pos_]; }
    const Token& take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool peekWord(const char* w) const { return peek().kind == TokenKind::Word && peek().text == w; }
    [[noreturn]] void fail(const Token& t, const std::string& what) const {
        throw PackSourceError(
            file_, t.line,
            what + (t.kind == TokenKind::End ? ", found the end of the file" : ", found '" + t.text + "'"));
    }
    void expectWord(const char* w, const std::string& context) {
        if (!peekWord(w)) fail(peek(), "expected '" + std::string(w) + "' " + context);
        take();
    }

    // Reads the fields of one record: words from `rules` with their values,
    // until a word that is not one of them.
    Fields fields(const std::string& what, int line, std::initializer_list<std::vector<FieldRule>> ruleGroups) {
        Fields f(file_, what, line, width_);
        for (;;) {
            const Token& t = peek();
            if (t.kind != TokenKind::Word) break;
            const FieldRule* fieldDesc = nullptr;
            for (const auto& group : ruleGroups) {
                for (const auto& s : group) {
                    if (t.text == s.name) fieldDesc = &s;
                }
            }
            if (!fieldDesc) {
                if (isKeyword(t.text)) break;
                std::string names;
                for (const auto& group : ruleGroups) {
                    for (const auto& sp : group) names += std::string(" ") + sp.name;
                }
                f.fail(t.line, "'" + t.text + "' is not a field of " + what + "; expected one of:" + names);
            }
            take();
            if (f.has(fieldDesc->name))
                f.fail(t.line, std::string("field ") + fieldDesc->name + " of " + what + " given twice");
            Field field;
            field.line = t.line;
            for (int i = 0; i < fieldDesc->arity; ++i) {
                const Token& v = peek();
                if (v.kind == TokenKind::End || (v.kind == TokenKind::Word && !isValueWord(v.text))) {
                    fail(v, std::string("expected ") + std::to_string(fieldDesc->arity) + " value" +
                                (fieldDesc->arity > 1 ? "s" : "") + " for " + fieldDesc->name + " of " + what);
                }
                field.values.push_back(take());
            }
            f.map[fieldDesc->name] = std::move(field);
        }
        return f;
    }

    static bool isKeyword(const std::string& w) {
        for (const char* k : {"pack", "texture", "op", "end", "image", "scene", "light", "object", "camera", "key",
                              "clip", "tracks", "event"}) {
            if (w == k) return true;
        }
        return false;
    }

    // Words that stand for values: names of kinds, factors and modes, and hex.
    static bool isValueWord(const std::string& w) {
        if (w.rfind("0x", 0) == 0 || w == "inf" || w == "nan") return true;
        for (int i = 0; i < 256; ++i) {
            if (blendCodeName(i) == w || lightKindName(i) == w || deformModeName(i) == w) return true;
        }
        return false;
    }

    TextureProgramRecord texture();
    TextureOpRecord op();
    ImageRecord image();
    SceneRecord scene();
    LightRecord light();
    ObjectRecord object();
    int objectType(const Token& typeToken);
    static std::vector<FieldRule> objectFieldRules(int type);
    static uint32_t objectFlags(const Fields& f, int type);
    static void objectOptionalFields(Fields& f, ObjectRecord& o);
    static void objectTypeFields(Fields& f, ObjectRecord& o);
    CameraRecord camera();
    ClipRecord clip(const SceneRecord& scene);
    KeyRecord cameraKey(bool first);
    KeyRecord objectKey(bool first);
    EventRecord event();
    uint16_t eventTime(const Fields& f, const char* name, bool isEnd) const;

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    const std::string& file_;
    const SongPositionLookup& positions_;
    int width_ = 2;
};

// An op line: the operation's name (or code) and a `name value` pair for every
// parameter byte its table row names; spare bytes may be left out (0).
TextureOpRecord Parser::op() {
    const Token& kw = take();
    const Token& name = take();
    const TextureOpInfo* info = nullptr;
    long code = -1;
    if (name.kind == TokenKind::Word) {
        info = findTextureOp(name.text);
        if (!info) fail(name, "expected an operation name (" + textureOpNames() + ") or code");
        code = info->code;
    } else if (name.kind == TokenKind::Number) {
        if (!Fields::parseInteger(name.text, code) || code < 0 || code > 255)
            fail(name, "expected an operation code 0 to 255");
        info = findTextureOp(static_cast<int>(code));
    } else {
        fail(name, "expected an operation name or code");
    }
    const TextureOpInfo& row = info ? *info : unknownTextureOp();
    std::vector<FieldRule> rules;
    for (const OpByte& p : row.params) rules.push_back({p.name, 1});
    if (code == kOpText) rules.push_back({"text", 1});
    const std::string what = "operation " + name.text;
    Fields f = fields(what, kw.line, {rules});
    f.requireAll(rules, [&](const char* n) {
        for (const OpByte& p : row.params) {
            if (p.role == OpByteRole::Spare && std::strcmp(p.name, n) == 0) return false;
        }
        return true;
    });
    TextureOpRecord op;
    op.b[0] = static_cast<uint8_t>(code);
    for (int i = 0; i < 8; ++i) op.b[i + 1] = f.u8(row.params[i].name);
    if (code == kOpText) {
        const Token& t = f.value("text");
        if (t.kind != TokenKind::String) f.fail(t.line, "expected a quoted text");
        if (t.text.size() > 255)
            f.fail(t.line, "expected a text of at most 255 bytes, found " + std::to_string(t.text.size()));
        op.text.assign(t.text.begin(), t.text.end());
    }
    return op;
}

TextureProgramRecord Parser::texture() {
    const Token& kw = take();
    Fields f = fields("texture", kw.line, {{{"id", 1}, {"opCount", 1}}});
    if (!f.has("id")) f.fail(kw.line, "expected id for texture");
    TextureProgramRecord t;
    t.id = f.u8("id");
    t.emptyCount = static_cast<int8_t>(f.integer("opCount", -128, 0, 0));
    while (peekWord("op")) t.ops.push_back(op());
    if (t.ops.size() > 127) fail(peek(), "expected at most 127 operations in texture " + std::to_string(t.id));
    if (!t.ops.empty() && f.has("opCount")) f.fail(f.line(), "opCount is only for a texture without operations");
    expectWord("end", "after the operations of texture " + std::to_string(t.id));
    return t;
}

ImageRecord Parser::image() {
    const Token& kw = take();
    Fields f = fields("image", kw.line, {{{"imageId", 1}, {"sourceTexture", 1}, {"sourceLayer", 1}, {"ignored", 3}}});
    if (!f.has("imageId") || !f.has("sourceTexture")) f.fail(kw.line, "expected imageId and sourceTexture for image");
    ImageRecord i;
    i.imageId = f.u8("imageId");
    i.sourceTexture = f.u8("sourceTexture");
    i.sourceLayer = f.u8("sourceLayer");
    for (int k = 0; k < 3; ++k) i.ignored[k] = f.u8("ignored", 0, k);
    return i;
}

LightRecord Parser::light() {
    const Token& kw = take();
    static const std::vector<FieldRule> rules = {{"kind", 1},          {"ignored", 1},      {"ambient", 3},
                                                 {"diffuse", 3},       {"position", 3},     {"attenuation", 3},
                                                 {"spotDirection", 3}, {"spotExponent", 1}, {"spotCutoff", 1}};
    Fields f = fields("light", kw.line, {rules});
    LightRecord l;
    l.kind = static_cast<uint8_t>(f.enumerated("kind", lightKindName, 255, 0));
    l.ignored = f.u8("ignored");
    for (int i = 0; i < 3; ++i) {
        l.ambient[i] = f.u8("ambient", 0, i);
        l.diffuse[i] = f.u8("diffuse", 0, i);
        l.position[i] = f.packed("position", i);
        l.attenuation[i] = f.packed("attenuation", i);
        l.spot[i] = f.packed("spotDirection", i);
    }
    l.spot[3] = f.packed("spotExponent");
    l.spot[4] = f.packed("spotCutoff");
    if (l.kind == kLightDirectional && f.has("attenuation"))
        f.fail(f.map["attenuation"].line, "a directional light stores no attenuation");
    if (l.kind != 2) {
        for (const char* n : {"spotDirection", "spotExponent", "spotCutoff"}) {
            if (f.has(n)) f.fail(f.map[n].line, std::string("only a spot light stores ") + n);
        }
    }
    return l;
}

// Object lines: the type, then `name value` pairs for the common fields (whose
// presence sets the flag bits) and for the type's own fields from its row.
int Parser::objectType(const Token& typeToken) {
    long type = -1;
    if (typeToken.kind == TokenKind::Word) {
        if (const ObjectTypeInfo* info = findObjectType(typeToken.text)) type = info->type;
    } else if (typeToken.kind == TokenKind::Number) {
        long v = 0;
        if (Fields::parseInteger(typeToken.text, v) && v >= 0 && v <= 255) type = v;
    }
    if (type < 0) fail(typeToken, "expected an object type (cube, sphere, ..., deformer) or a number 0 to 255");
    return static_cast<int>(type);
}

std::vector<FieldRule> Parser::objectFieldRules(int type) {
    std::vector<FieldRule> rules = {{"id", 1},        {"parent", 1},     {"invertNormals", 1}, {"keepUV", 1},
                                    {"mirrorV", 1},   {"mirrorU", 1},    {"otherFlags", 1},    {"textureId", 1},
                                    {"color", 4},     {"colorR", 1},     {"colorG", 1},        {"colorB", 1},
                                    {"colorA", 1},    {"skipByte", 1},   {"texture2Id", 1},    {"mapScaleT", 1},
                                    {"mapScaleS", 1}, {"mapOffsetT", 1}, {"mapOffsetS", 1}};
    if (type == int(kTypeDeformer)) rules.insert(rules.end(), {{"clamp", 1}, {"channel", 1}});
    if (const ObjectTypeInfo* info = findObjectType(type)) {
        for (const ObjectField& field : info->params()) {
            rules.push_back({field.name, field.slot == ObjectSlot::Floats ? field.count : 1});
        }
    }
    if (isMeshType(type)) rules.push_back({"matrix", 12});
    return rules;
}

// The flag word from the flag fields; presence bits are added as fields are read.
uint32_t Parser::objectFlags(const Fields& f, int type) {
    const bool deformer = type == int(kTypeDeformer);
    uint32_t flags = static_cast<uint32_t>(type);
    if (f.has("otherFlags")) {
        const Token& t = f.value("otherFlags");
        long v = f.integer(t, 0, 0xFFFFFFFFL, "otherFlags");
        uint32_t owned = kObjectTypeMask | kFlagInvertNormals | kFlagKeepUV | kFlagMirrorV | kFlagMirrorU |
                         kFlagColorAll | kFlagSkipByte | kFlagEnvTexture;
        owned |= deformer ? (kDeformChannelMask << kDeformChannelShift) : (kFlagColorTexture | kFlagMapAll);
        if (static_cast<uint32_t>(v) & owned) {
            f.fail(t.line, "otherFlags may not hold the type or bits that have their own fields");
        }
        flags |= static_cast<uint32_t>(v);
    }
    if (f.integer("invertNormals", 0, 1, 0) || f.integer("clamp", 0, 1, 0)) flags |= kFlagInvertNormals;
    if (f.integer("keepUV", 0, 1, 0)) flags |= kFlagKeepUV;
    if (f.integer("mirrorV", 0, 1, 0)) flags |= kFlagMirrorV;
    if (f.integer("mirrorU", 0, 1, 0)) flags |= kFlagMirrorU;
    if (deformer) flags |= static_cast<uint32_t>(f.integer("channel", 0, 3, 0)) << kDeformChannelShift;
    return flags;
}

// Texture ids, colour, the skipped byte and the mapping bytes: each present
// field sets its flag bit (a deformer stores its texture and mapping always).
void Parser::objectOptionalFields(Fields& f, ObjectRecord& o) {
    const bool deformer = o.type() == int(kTypeDeformer);
    if (f.has("textureId")) {
        o.textureId = f.u8("textureId");
        if (!deformer) o.flags |= kFlagColorTexture;
    }
    static const char* colorNames[4] = {"colorR", "colorG", "colorB", "colorA"};
    if (f.has("color")) {
        for (int c = 0; c < 4; ++c) {
            if (f.has(colorNames[c]))
                f.fail(f.map[colorNames[c]].line, std::string(colorNames[c]) + " given with color");
            o.color[c] = f.u8("color", 0, c);
        }
        o.flags |= kFlagColorAll;
    }
    for (int c = 0; c < 4; ++c) {
        if (f.has(colorNames[c])) {
            o.color[c] = f.u8(colorNames[c]);
            o.flags |= kFlagColorR << c;
        }
    }
    if (f.has("skipByte")) {
        o.skipped = f.u8("skipByte");
        o.flags |= kFlagSkipByte;
    }
    if (f.has("texture2Id")) {
        o.texture2Id = f.u8("texture2Id");
        o.flags |= kFlagEnvTexture;
    }
    static const char* mapNames[4] = {"mapScaleT", "mapScaleS", "mapOffsetT", "mapOffsetS"};
    for (int m = 0; m < 4; ++m) {
        o.mapping[m] = f.u8(mapNames[m], m < 2 ? 1 : 0);
        if (f.has(mapNames[m]) && !deformer) o.flags |= kFlagMapScaleT << m;
    }
}

// The type's own fields, by its row.
void Parser::objectTypeFields(Fields& f, ObjectRecord& o) {
    const ObjectTypeInfo* info = findObjectType(o.type());
    if (!info) return;
    for (const ObjectField& field : info->params()) {
        switch (field.slot) {
            case ObjectSlot::ByteA:
                o.byteA = o.type() == int(kTypeDeformer)
                              ? static_cast<uint8_t>(f.enumerated(field.name, deformModeName, 255, 0))
                              : f.u8(field.name);
                break;
            case ObjectSlot::ByteB: o.byteB = f.u8(field.name); break;
            case ObjectSlot::WordA: o.words[0] = f.s16(field.name); break;
            case ObjectSlot::WordB: o.words[1] = f.s16(field.name); break;
            case ObjectSlot::Extra: o.extra = f.u8(field.name); break;
            case ObjectSlot::Floats:
                for (int i = 0; i < field.count; ++i) o.values[i] = f.packed(field.name, i);
                break;
            case ObjectSlot::DeformVector:
                if (field.count < deformVectorCount(o.byteA)) {
                    o.values[field.count] = f.packed(field.name);
                } else if (f.has(field.name)) {
                    f.fail(f.map[field.name].line,
                           "deformer mode " + std::to_string(o.byteA) + " stores no " + field.name);
                }
                break;
            case ObjectSlot::List:
            case ObjectSlot::ListAfterMatrix: o.list = f.idList(field.name); break;
        }
    }
}

ObjectRecord Parser::object() {
    const Token& kw = take();
    const Token& typeToken = take();
    const int type = objectType(typeToken);
    const std::string what = "object " + typeToken.text;
    Fields f = fields(what, kw.line, {objectFieldRules(type)});
    if (!f.has("id")) f.fail(kw.line, "expected id for " + what);

    ObjectRecord o;
    o.flags = objectFlags(f, type);
    o.id = f.s16("id");
    o.parentId = f.s16("parent", -1);
    objectOptionalFields(f, o);
    objectTypeFields(f, o);
    if (isMeshType(type)) {
        if (f.has("matrix")) {
            for (int i = 0; i < 12; ++i) o.matrix[i] = f.packed("matrix", i);
        } else {
            // The identity's first three rows.
            for (int i : {0, 5, 10}) o.matrix[i] = PackedFloatBits{packedBitsFromFloat(1.0f, width_)};
        }
    }
    return o;
}

KeyRecord Parser::cameraKey(bool first) {
    const Token& kw = take();
    static const std::vector<FieldRule> rules = {{"time", 1},    {"fov", 1},     {"roll", 1},   {"eye", 3},
                                                 {"target", 3},  {"eyeX", 1},    {"eyeY", 1},   {"eyeZ", 1},
                                                 {"targetX", 1}, {"targetY", 1}, {"targetZ", 1}};
    Fields f = fields("camera key", kw.line, {rules});
    KeyRecord k;
    k.time = f.s16("time");
    static const char* names[8] = {"fov", "roll", "eyeX", "eyeY", "eyeZ", "targetX", "targetY", "targetZ"};
    for (int c = 0; c < 8; ++c) {
        const char* group = c >= 5 ? "target" : c >= 2 ? "eye" : nullptr;
        int gi = c >= 5 ? c - 5 : c - 2;
        bool direct = f.has(names[c]);
        bool viaGroup = group && f.has(group);
        if (direct && viaGroup) f.fail(f.map[names[c]].line, std::string(names[c]) + " given with " + group);
        if (!direct && !viaGroup) continue;
        if (!first) k.mask |= static_cast<uint16_t>(1u << c);
        if (c == 0) {
            k.values[0] = f.u8("fov");
        } else if (c == 1) {
            k.values[1] = static_cast<uint16_t>(f.s16("roll"));
        } else {
            k.values[c] = direct ? f.packed(names[c]).bits : f.packed(group, gi).bits;
        }
    }
    return k;
}

KeyRecord Parser::objectKey(bool first) {
    const Token& kw = take();
    static const char* names[14] = {"positionX", "positionY", "positionZ", "axisX",  "axisY",  "axisZ",  "angle",
                                    "scaleX",    "scaleY",    "scaleZ",    "colorR", "colorG", "colorB", "colorA"};
    std::vector<FieldRule> rules = {{"time", 1},  {"position", 3}, {"axis", 3},
                                    {"scale", 3}, {"color", 4},    {"extraMask", 1}};
    for (const char* n : names) rules.push_back({n, 1});
    Fields f = fields("object key", kw.line, {rules});
    KeyRecord k;
    k.time = first ? static_cast<int16_t>(f.integer("time", 0, 65535, 0)) : f.s16("time");
    for (int c = 0; c < 14; ++c) {
        const char* group = c < 3 ? "position" : c < 6 ? "axis" : c == 6 ? nullptr : c < 10 ? "scale" : "color";
        int gi = c < 3 ? c : c < 6 ? c - 3 : c < 10 ? c - 7 : c - 10;
        bool direct = f.has(names[c]);
        bool viaGroup = group && f.has(group);
        if (direct && viaGroup) f.fail(f.map[names[c]].line, std::string(names[c]) + " given with " + group);
        if (!direct && !viaGroup) continue;
        if (!first) k.mask |= static_cast<uint16_t>(1u << c);
        const char* field = direct ? names[c] : group;
        int index = direct ? 0 : gi;
        if (c == 6) {
            k.values[6] = static_cast<uint16_t>(f.s16("angle"));
        } else if (c >= 10) {
            k.values[c] = f.u8(field, 0, index);
        } else {
            k.values[c] = f.packed(field, index).bits;
        }
    }
    if (f.has("extraMask")) {
        if (first) f.fail(f.map["extraMask"].line, "the first key of a track set has no mask");
        k.mask |= static_cast<uint16_t>(f.integer(f.value("extraMask"), 0, 0xC000, "extraMask") & 0xC000);
    }
    return k;
}

CameraRecord Parser::camera() {
    const Token& kw = take();
    Fields f = fields("camera", kw.line, {{{"id", 1}}});
    CameraRecord c;
    c.id = f.u8("id");
    while (peekWord("key")) c.keys.push_back(cameraKey(c.keys.empty()));
    if (c.keys.size() > 255) fail(peek(), "expected at most 255 keys for camera " + std::to_string(c.id));
    expectWord("end", "after the keys of camera " + std::to_string(c.id));
    return c;
}

ClipRecord Parser::clip(const SceneRecord& scene) {
    const Token& kw = take();
    Fields f = fields("clip", kw.line, {{{"id", 1}}});
    ClipRecord c;
    c.id = f.u8("id");
    std::vector<const ObjectRecord*> animated;
    for (const auto& o : scene.objects) {
        if (isAnimatedType(o.type())) animated.push_back(&o);
    }
    while (peekWord("tracks")) {
        const Token& tk = take();
        Fields tf = fields("track set", tk.line, {{{"object", 1}}});
        std::size_t index = c.trackSets.size();
        if (index >= animated.size()) {
            tf.fail(tk.line, "clip " + std::to_string(c.id) + " has more track sets than the scene's " +
                                 std::to_string(animated.size()) + " animated objects");
        }
        if (tf.has("object") && tf.s16("object") != animated[index]->id) {
            tf.fail(tk.line, "track set " + std::to_string(index + 1) + " belongs to object " +
                                 std::to_string(animated[index]->id) + " (animated objects in scene order), not " +
                                 std::to_string(tf.s16("object")));
        }
        std::vector<KeyRecord> keys;
        while (peekWord("key")) keys.push_back(objectKey(keys.empty()));
        if (keys.size() > 255) fail(peek(), "expected at most 255 keys in a track set");
        expectWord("end", "after the keys of a track set");
        c.trackSets.push_back(std::move(keys));
    }
    if (c.trackSets.size() != animated.size()) {
        fail(peek(), "expected " + std::to_string(animated.size()) + " track sets in clip " + std::to_string(c.id) +
                         " (one per animated object), found " + std::to_string(c.trackSets.size()));
    }
    expectWord("end", "after the track sets of clip " + std::to_string(c.id));
    return c;
}

SceneRecord Parser::scene() {
    const Token& kw = take();
    Fields f =
        fields("scene", kw.line, {{{"id", 1}, {"fog", 1}, {"fogColor", 3}, {"fogDensity", 1}, {"objectCount", 1}}});
    if (!f.has("id")) f.fail(kw.line, "expected id for scene");
    SceneRecord s;
    s.id = f.u8("id");
    s.fog = f.u8("fog");
    if (s.fog) {
        for (int i = 0; i < 3; ++i) s.fogColor[i] = f.u8("fogColor", 0, i);
        s.fogDensity = f.packed("fogDensity");
    } else if (f.has("fogColor") || f.has("fogDensity")) {
        f.fail(kw.line, "fogColor and fogDensity are stored only with a non-zero fog");
    }
    s.objectEmptyCount = static_cast<int16_t>(f.integer("objectCount", -32768, 0, 0));
    for (;;) {
        if (peekWord("light")) {
            s.lights.push_back(light());
        } else if (peekWord("object")) {
            if (!s.clips.empty()) fail(peek(), "expected objects before the clips of scene " + std::to_string(s.id));
            s.objects.push_back(object());
        } else if (peekWord("camera")) {
            s.cameras.push_back(camera());
        } else if (peekWord("clip")) {
            s.clips.push_back(clip(s));
        } else {
            break;
        }
    }
    if (s.lights.size() > 255) fail(peek(), "expected at most 255 lights in a scene");
    if (s.objects.size() > 32767) fail(peek(), "expected at most 32767 objects in a scene");
    if (s.cameras.size() > 255 || s.clips.size() > 255) fail(peek(), "expected at most 255 cameras and 255 clips");
    if (!s.objects.empty() && f.has("objectCount")) f.fail(kw.line, "objectCount is only for a scene without objects");
    expectWord("end", "(or light, object, camera, clip) in scene " + std::to_string(s.id));
    return s;
}

EventRecord Parser::event() {
    const Token& kw = take();
    const Token& kindToken = take();
    long kind = -1;
    if (kindToken.kind == TokenKind::Word) {
        if (const EventKindInfo* row = findEventKind(kindToken.text)) kind = row->kind;
    } else if (kindToken.kind == TokenKind::Number) {
        long v = 0;
        if (Fields::parseInteger(kindToken.text, v) && v >= 0 && v <= 255) kind = v;
    }
    if (kind < 0) fail(kindToken, "expected an event kind (imageLayer, sceneView, clear, ...) or a number 0 to 255");
    const int k = static_cast<int>(kind);
    std::vector<FieldRule> rules = {{"start", 1}, {"end", 1}, {"pass", 1}};
    static const char* rectNames[8] = {"x1Start", "y1Start", "x2Start", "y2Start", "x1End", "y1End", "x2End", "y2End"};
    const bool rect = eventHasRectangle(k);
    const bool colors = eventHasColours(k);
    if (rect) {
        for (const char* n : rectNames) rules.push_back({n, 1});
    }
    if (colors) rules.insert(rules.end(), {{"colorStart", 4}, {"colorEnd", 4}, {"blendSrc", 1}, {"blendDst", 1}});
    const EventKindInfo* info = findEventKind(k);
    if (info) {
        for (const EventField& field : info->params()) rules.push_back({field.name, 1});
    }
    Fields f = fields("event " + kindToken.text, kw.line, {rules});
    EventRecord e;
    e.kind = static_cast<uint8_t>(k);
    e.start = eventTime(f, "start", false);
    e.end = eventTime(f, "end", true);
    e.pass = f.u8("pass");
    if (rect) {
        for (int i = 0; i < 8; ++i) e.rect[i] = f.s16(rectNames[i]);
    }
    if (colors) {
        for (int i = 0; i < 4; ++i) {
            e.colors[i] = f.u8("colorStart", 0, i);
            e.colors[4 + i] = f.u8("colorEnd", 0, i);
        }
        e.blend[0] = static_cast<uint8_t>(f.enumerated("blendSrc", blendCodeName, 255, 0));
        e.blend[1] = static_cast<uint8_t>(f.enumerated("blendDst", blendCodeName, 255, 0));
    }
    if (info) {
        for (const EventField& field : info->params()) {
            switch (field.slot) {
                case EventSlot::Byte: e.bytes[field.index] = f.u8(field.name); break;
                case EventSlot::Word: e.words[field.index] = f.s16(field.name); break;
                case EventSlot::Float: e.floats[field.index] = f.packed(field.name); break;
            }
        }
    }
    return e;
}

// A number of 10 ms units, or a song position.
uint16_t Parser::eventTime(const Fields& f, const char* name, bool isEnd) const {
    if (f.has(name) && f.value(name).kind == TokenKind::Position) {
        const Token& t = f.value(name);
        return static_cast<uint16_t>(songPositionUnit(t.text, isEnd, positions_, file_, t.line));
    }
    return static_cast<uint16_t>(f.integer(name, 0, 65535, 0));
}

// [PACK] ----------------------------------------------------------------

PackModel Parser::run() {
    PackModel m;
    if (!peekWord("pack")) fail(peek(), "expected 'pack width N' at the start of the file");
    const Token& kw = take();
    Fields f = fields("pack", kw.line, {{{"width", 1}, {"textureCount", 1}, {"imageCount", 1}, {"eventCount", 1}}});
    if (!f.has("width")) f.fail(kw.line, "expected width (1 to 4) for pack");
    m.width = static_cast<uint8_t>(f.integer("width", 1, 4, 2));
    width_ = m.width;
    m.textureEmptyCount = static_cast<int8_t>(f.integer("textureCount", -128, 0, 0));
    m.imageEmptyCount = static_cast<int8_t>(f.integer("imageCount", -128, 0, 0));
    m.eventEmptyCount = static_cast<int16_t>(f.integer("eventCount", -32768, 0, 0));

    // Sections come in pack order: textures, images, scenes, events.
    int section = 0;
    static const char* order[4] = {"texture", "image", "scene", "event"};
    for (;;) {
        const Token& t = peek();
        if (t.kind == TokenKind::End) break;
        int s = -1;
        for (int i = 0; i < 4; ++i) {
            if (t.kind == TokenKind::Word && t.text == order[i]) s = i;
        }
        if (s < 0) fail(t, "expected texture, image, scene or event");
        if (s < section) {
            fail(t, std::string("expected ") + order[section] + " records or later sections; " + order[s] +
                        " records come before them in a pack");
        }
        section = s;
        switch (s) {
            case 0: m.textures.push_back(texture()); break;
            case 1: m.images.push_back(image()); break;
            case 2: m.scenes.push_back(scene()); break;
            default: m.events.push_back(event()); break;
        }
    }
    const Token& end = peek();
    if (m.textures.size() > 127) fail(end, "expected at most 127 textures");
    if (m.images.size() > 127) fail(end, "expected at most 127 images");
    if (m.scenes.size() > 255) fail(end, "expected at most 255 scenes");
    if (m.events.size() > 32767) fail(end, "expected at most 32767 events");
    if ((!m.textures.empty() && m.textureEmptyCount) || (!m.images.empty() && m.imageEmptyCount) ||
        (!m.events.empty() && m.eventEmptyCount)) {
        f.fail(kw.line, "textureCount, imageCount and eventCount are only for empty sections");
    }
    return m;
}

}  // namespace

PackModel assemblePackSource(std::string_view text, const std::string& fileName,
                             const SongPositionLookup& positions) {
    Lexer lexer(text, fileName);
    Parser parser(lexer.run(), fileName, positions);
    return parser.run();
}

std::vector<uint8_t> assemblePack(std::string_view text, const std::string& fileName,
                                  const SongPositionLookup& positions) {
    return encodePackModel(assemblePackSource(text, fileName, positions));
}

}  // namespace lumen
