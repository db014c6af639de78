#include <gtest/gtest.h>

#include "shell/options.h"

namespace lumen {
namespace {

TEST(DisplayOptions, LaterResolutionOptionsOverrideEarlierOnes) {
    EXPECT_EQ(readDisplayOptions("lumen -m0 -m3").width, 1024);
    EXPECT_EQ(readDisplayOptions("lumen -m3 -m0").height, 768);  // order in the line does not matter
    const DisplayChoice c = readDisplayOptions("lumen -m2 -m0");
    EXPECT_EQ(c.width, 800);
    EXPECT_EQ(c.height, 600);
    EXPECT_EQ(readDisplayOptions("lumen -m0").width, 320);
    EXPECT_EQ(readDisplayOptions("lumen -m1").width, 640);  // no option selects another size
    EXPECT_EQ(readDisplayOptions("lumen").height, 480);
}

TEST(DisplayOptions, OptionsAreCaseSensitiveSubstringsOfTheWholeLine) {
    EXPECT_EQ(readDisplayOptions("/opt/demo-m2/lumen").width, 800);  // inside the program path
    EXPECT_TRUE(readDisplayOptions("lumen x-windowedy").windowed);
    EXPECT_FALSE(readDisplayOptions("lumen -Windowed -M3").windowed);
    EXPECT_EQ(readDisplayOptions("lumen -M3").width, 640);
}

TEST(DisplayOptions, JoinedCommandLineSeparatesArgumentsWithSpaces) {
    const char* argv[] = {"/usr/bin/lumen", "-m", "0", "-windowed"};
    const std::string line = joinCommandLine(4, argv);
    EXPECT_EQ(line, "/usr/bin/lumen -m 0 -windowed");
    EXPECT_EQ(readDisplayOptions(line).width, 640);  // "-m 0" is not "-m0"
    EXPECT_TRUE(readDisplayOptions(line).windowed);
}

}  // namespace
}  // namespace lumen
