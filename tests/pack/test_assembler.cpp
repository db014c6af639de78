// The assembler: records and fields by name, the flag bits that optional
// fields imply, defaults, and errors that name the file and line.
#include <gtest/gtest.h>

#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "texgen/texture_op_table.h"

namespace lumen {
namespace {

std::string errorOf(const std::string& source) {
    try {
        assemblePackSource(source, "show.pack");
    } catch (const PackSourceError& e) {
        return e.what();
    }
    return "no error";
}

TEST(Assembler, ObjectFieldsSetTheirPresenceBits) {
    PackModel m = assemblePackSource(R"(
        pack width 2
        scene id 3
          object cube id 1 parent -1 textureId 4 colorG 128 skipByte 9 texture2Id 2 mapOffsetS 17 keepUV 1 mirrorU 1
          object sphere id 2 color 1 2 3 4 rings 8 segments 12 invertNormals 1 otherFlags 0x01000000
          object deformer id 3 textureId 4 clamp 1 channel 3 mode rotate x 0 y 1 z 0 w 3.5 targets [2 1]
        end
    )",
                                     "o.pack");
    const auto& o = m.scenes[0].objects;

    EXPECT_EQ(o[0].flags, kTypeCube | kFlagColorTexture | kFlagColorG | kFlagSkipByte | kFlagEnvTexture |
                              kFlagMapOffsetS | kFlagKeepUV | kFlagMirrorU);
    EXPECT_EQ(o[0].mapping, (std::array<uint8_t, 4>{1, 1, 0, 17}));
    // No matrix written: the identity.
    EXPECT_EQ(packedFloatFromBits(o[0].matrix[5].bits, 2), 1.0f);
    EXPECT_EQ(packedFloatFromBits(o[0].matrix[1].bits, 2), 0.0f);
    EXPECT_EQ(o[1].flags, kTypeSphere | kFlagColorAll | kFlagInvertNormals | 0x01000000u);
    EXPECT_EQ(o[1].byteA, 8);
    EXPECT_EQ(o[1].byteB, 12);
    // A deformer always stores its texture and mapping bytes: no bits for them.
    EXPECT_EQ(o[2].flags, kTypeDeformer | kFlagDeformClamp | (3u << kDeformChannelShift));
    EXPECT_EQ(o[2].byteA, 2);
    EXPECT_EQ(packedFloatFromBits(o[2].values[3].bits, 2), 3.5f);
    EXPECT_EQ(o[2].list.ids, (std::vector<int16_t>{2, 1}));
}

// Each row: a source and the whole error it must give.
TEST(Assembler, ErrorsNameFileLineAndWhatWasExpected) {
    const std::pair<std::string, std::string> cases[] = {
        {"texture id 1\nend\n", "show.pack:1: expected 'pack width N' at the start of the file, found 'texture'"},
        {"pack width 2\ntexture id 1\n  op Sparkle layer 0\nend\n",
         "show.pack:3: expected an operation name (Noise, SinePlasma, Cells, RadialSpot, NoiseOctave, Clear, "
         "Text, SineWarp, Offset, Twirl, Blur, Displace, Smear, CopyChannel, Mix, Multiply, Add, Lighten, "
         "Contrast, Invert, Modulate, Brightness, SineMap, Range, HueSaturation, GradientMap, MaskBlend, Emboss) "
         "or code, found 'Sparkle'"},
        {"pack width 2\ntexture id 300\nend\n",
         "show.pack:2: expected an integer 0 to 255 for id of texture, found '300'"},
        {"pack width 2\nevent clear start 0\nimage imageId 1 sourceTexture 1\n",
         "show.pack:3: expected event records or later sections; image records come before them in a pack, found "
         "'image'"},
        {"pack width 2\ntexture id 1\n  op Text layer 0 font 0 height 0 x 0 y 0 italic 0 bold 0 slot 0 text "
         "\"abc\nend\n",
         "show.pack:3: expected '\"' to close the string"},
        {"pack width 2\nscene id 0\n  object cube id 1\n  clip id 0\n  end\nend\n",
         "show.pack:5: expected 1 track sets in clip 0 (one per animated object), found 0, found 'end'"},
        {"pack width 2\nscene id 0\n  object cube id 1\n  clip id 0\n    tracks object 2\n    end\n  end\nend\n",
         "show.pack:5: track set 1 belongs to object 1 (animated objects in scene order), not 2"},
        {"pack width 2\nscene id 0\n  light kind directional attenuation 1 0 0\nend\n",
         "show.pack:3: a directional light stores no attenuation"},
        {"pack width 2\nscene id 0\n  object grid id 1 matrix 1 0 0\nend\n",
         "show.pack:4: expected 12 values for matrix of object grid, found 'end'"},
        {"pack width 2\nscene id 0\n  object cube id 1 id 2\nend\n",
         "show.pack:3: field id of object cube given twice"},
        {"pack width 2\nscene id 0\n  object merge id 1 ids [1 x]\nend\n",
         "show.pack:3: expected an integer -32768 to 32767 for an id of object merge, found 'x'"},
        {"pack width 2\nscene id 0\n",
         "show.pack:3: expected 'end' (or light, object, camera, clip) in scene 0, found the end of the file"},
        // Op lines: strict `name value` pairs, every named parameter required.
        {"pack width 2\ntexture id 1\n  op SinePlasma layer 0 xFrequncy 1 yFrequency 0 xPhase 0 yPhase 0 channel "
         "0\nend\n",
         "show.pack:3: 'xFrequncy' is not a field of operation SinePlasma; expected one of: layer xFrequency "
         "yFrequency xPhase yPhase spare6 spare7 channel"},
        {"pack width 2\ntexture id 1\n  op SinePlasma layer 0 yFrequency 0 xPhase 0 yPhase 0 channel 0\nend\n",
         "show.pack:3: operation SinePlasma is missing xFrequency; its fields are: layer xFrequency yFrequency "
         "xPhase yPhase spare6 spare7 channel"},
        {"pack width 2\ntexture id 1\n  op SinePlasma layer 0 xFrequency yFrequency 0 xPhase 0 yPhase 0 channel "
         "0\nend\n",
         "show.pack:3: expected 1 value for xFrequency of operation SinePlasma, found 'yFrequency'"},
        // Floats: stored bits must fit the width; decimals must be one number.
        {"pack width 2\nevent zoomFeedback feedbackZoom 0x12345\n",
         "show.pack:2: expected the stored bits of 2 bytes for feedbackZoom, found '0x12345'"},
        {"pack width 2\nevent zoomFeedback feedbackZoom 1.5.2\n",
         "show.pack:2: expected a decimal number for feedbackZoom of event zoomFeedback, found '1.5.2'"},
    };
    for (const auto& [source, expected] : cases) {
        EXPECT_EQ(errorOf(source), expected) << source;
    }
}

// Every operation of the table: its `name value` pairs in the printed order and
// reversed assemble to the same record, each value in the byte its row names.
TEST(Assembler, OpParametersAreReadByNameInAnyOrder) {
    for (const TextureOpInfo& info : textureOpTable()) {
        std::vector<std::string> pairs;
        for (int i = 0; i < 8; ++i) pairs.push_back(std::string(info.params[i].name) + " " + std::to_string(i % 4 + 1));
        if (info.code == kOpText) pairs.push_back("text \"hi\"");
        std::string forward, backward;
        for (const auto& p : pairs) forward += " " + p;
        for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) backward += " " + *it;
        auto ops = [&](const std::string& line) {
            return assemblePackSource("pack width 2\ntexture id 1\n op " + std::string(info.name) + line + "\nend\n",
                                      "o.pack")
                .textures[0]
                .ops[0];
        };
        const TextureOpRecord a = ops(forward), b = ops(backward);
        EXPECT_EQ(a, b) << info.name;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(a.b[i + 1], i % 4 + 1) << info.name << " " << info.params[i].name;
        EXPECT_EQ(a.b[0], info.code);
    }
}

TEST(Assembler, FloatsAreTruncatedToTheFloatWidth) {
    PackModel m = assemblePackSource("pack width 2\nevent zoomFeedback feedbackZoom 0.1\n", "f.pack");
    EXPECT_EQ(m.events[0].floats[0].bits, 0x3DCCu);
}

}  // namespace
}  // namespace lumen
