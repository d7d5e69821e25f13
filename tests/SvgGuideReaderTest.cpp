// The guide reader: d values, transforms, attribute matching, guide files and the cache.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <sstream>
#include <string>

#include "TestFolders.h"
#include "path/PathParser.h"
#include "platform/TextConversion.h"
#include "plugin/GuideCache.h"

namespace {

// Segments as text: one letter per kind (M, L, C, Q) followed by its points.
std::string Describe(const PathParser& path) {
    std::ostringstream text;
    for (const PathSegment& s : path.segments) {
        text << (text.tellp() > 0 ? " " : "") << " MLCQ"[s.kind];
        for (const PathPoint& p : s.points) {
            text << " " << p.x << "," << p.y;
        }
    }
    return text.str();
}

PathParser ParsedTag(const std::string& attributes) {
    PathParser parser;
    parser.Parse("<svg><path " + attributes + "/></svg>");
    return parser;
}

TEST(SvgGuideReader, ReadsOneSetOfPointsPerCommandLetterThroughMatrixOrTranslate) {
    const std::pair<const char*, const char*> cases[] = {
        {"d='M10,20L30,40'", ""},  // only double quotes delimit values
        {"d=\"M10,20L30,40\"", "M 10,20 L 30,40"},
        {"d=\"M10-20\"", "M 10,-20"},
        {"d=\"m 10 10 l 5 0 c 0 5 5 5 5 0 H 1 Z\"", "M 10,10 L 15,10 C 15,15 20,15 20,10"},
        {"d=\"M 0 0 L 10 0 20 0 Q5 -5 9 0\"", "M 0,0 L 10,0 Q 5,-5 9,0"},
        {"d=\"M 1.5.5 2\"", "M 1.5,2"},  // the rest of the token is lost
        // A number that does not convert drops its command and ends the reading.
        {"d=\"M\t5 5\"", ""},  // the tab makes an empty token
        {"d=\"M 1 2 L 1e999 0\"", "M 1,2"},
        {"d=\"M 1 2 L 1e-999 0\"", "M 1,2"},           // underflow is out of range too
        {"d=\"M0 0 L5 5\" data-d=\"M7 7\"", "M 7,7"},  // a later name reduced to d wins
        // Only matrix and translate apply, from the first parentheses.
        {"d=\"M 0 0 L 10 0\" transform=\"translate(5 7)\"", "M 5,7 L 15,7"},
        {"d=\"M 0 0 L 10 0\" transform=\"translate(5,7)\"", "M 5,0 L 15,0"},  // f is 0
        {"d=\"M 0 0 L 10 0\" transform=\"matrix(2 0 0 2 1 1)\"", "M 1,1 L 21,1"},
        {"d=\"M 0 0 L 10 0\" transform=\"scale(2) translate(10 20)\"", "M 2,0 L 12,0"},
    };
    for (const auto& [attributes, want] : cases) {
        EXPECT_EQ(Describe(ParsedTag(attributes)), want) << attributes;
    }
    // The width is the untransformed extent of x; a leading command's points each reset it.
    EXPECT_EQ(
        ParsedTag("d=\"C 50 0 -40 0 10 0 L 20 0\" transform=\"matrix(2 0 0 2 1 1)\"").pathWidth,
        10);
}

TEST(SvgGuideReader, OnlyTheFirstWholeTagContainingPathIsRead) {
    PathParser parser;
    EXPECT_FALSE(parser.Parse("<!-- a path --><path d=\"M0 0 L5 5\"/>"));
    EXPECT_TRUE(parser.Parse("<svg><clipPath/><path d=\"M0 0 L5 5\"/><path d=\"M1 1\"/>"));
    EXPECT_EQ(parser.segments.size(), 2u);
    EXPECT_FALSE(parser.Parse("<path d=\"M0 0 L5 5\""));  // no closing ">"
}

TEST(SvgGuideReader, LongHostileTagsAreReadInLinearTime) {
    // Quadratic scanning or a recursive matcher would not finish this in the suite's time.
    const std::string many(4 << 20, 'a');
    EXPECT_FALSE(PathParser().Parse("<path " + many + "=\"" + many));
}

class GuideFolder : public DataFolderTest {
  protected:
    void SetUp() override {
        ReleaseGuides();
        std::filesystem::create_directories(guides);
    }
    void TearDown() override { ReleaseGuides(); }
    void Write(const std::string& name, const std::string& svg) const {
        std::ofstream(guides + name + ".svg", std::ios::binary) << svg;
    }
};

TEST_F(GuideFolder, BuiltInNamesNeverReadTheFolderAndUnusableGuidesBecomeTheStraightLine) {
    const char* unusable[][2] = {
        {":S", "<path d=\"M0 0 L1 1 L2 0\"/>"},
        {"overflow", "<path d=\"m1e308 0 l1e308 0\"/>"},
        {"huge", "<path d=\"M1 1 L2 2\" transform=\"matrix(1e400 0 0 1 0 0)\"/>"},
    };
    for (const auto& [name, svg] : unusable) {
        Write(name, svg);
        EXPECT_EQ(Describe(PathParser(Utf8ToUtf16(name))), "M 0,10 L 100,10") << name;
    }
    EXPECT_EQ(Describe(PathParser(u"missing")), "M 0,10 L 100,10");
    Write(":C", "<path d=\"M0 0 L1 1\"/>");
    Write("curve", "<path d=\"M0 50 Q50 0 100 50\"/>");
    EXPECT_EQ(Describe(PathParser(u":C")), Describe(PathParser(u"curve")));
    Write(":s", "<path d=\"M0 0 L1e300 0\"/>");  // a lower-case name is a file; finite is kept
    EXPECT_EQ(PathParser(u":s").pathWidth, 1e300);
}

TEST_F(GuideFolder, CacheBuildsEachGuideOnceAndKeepsAFallbackUntilReleased) {
    const auto draw = [](const char* guide) {
        MoveEffectParam param{};
        PointTarget target{};
        MoveEffectImageParam image{};
        MoveEffectCanvasParam canvas{};
        DrawEffect(&param, &target, guide, &image, &canvas, nullptr, nullptr);
        return Guides().count(guide) ? Describe(*Guides()[guide]) : "<not cached>";
    };
    EXPECT_EQ(draw("later"), "M 0,10 L 100,10");  // missing: the straight line
    Write("later", "<path d=\"M0 0 L7 3\"/>");
    EXPECT_EQ(draw("later"), "M 0,10 L 100,10");  // kept until released
    ReleaseGuides();
    EXPECT_EQ(draw("later"), "M 0,0 L 7,3");
}

}  // namespace
