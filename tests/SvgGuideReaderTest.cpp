// The guide reader: d values, transforms, attribute matching, hostile files and the cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PipelineTestSupport.h"
#include "TestFolders.h"
#include "path/PathParser.h"
#include "plugin/GuideCache.h"

namespace {

// Segments as text: one letter per kind (M, L, C, Q) followed by its points.
std::string Describe(const std::vector<PathSegment>& segments) {
    std::ostringstream text;
    for (const PathSegment& s : segments) {
        text << (s.kind == PathSegment::kMove    ? " M"
                 : s.kind == PathSegment::kLine  ? " L"
                 : s.kind == PathSegment::kCubic ? " C"
                                                 : " Q");
        for (const PathPoint& p : s.points) {
            text << " " << p.x << "," << p.y;
        }
    }
    return text.str().empty() ? "" : text.str().substr(1);
}

PathParser ParsedTag(const std::string& attributes) {
    PathParser parser;
    parser.Parse("<svg><path " + attributes + "/></svg>");
    return parser;
}

TEST(SvgGuideReader, ReadsOneSetOfPointsPerCommandLetterThroughMatrixOrTranslate) {
    const struct {
        const char* attributes;
        const char* want;
    } cases[] = {
        {"d='M10,20L30,40'", ""},  // only double quotes delimit values
        {"d=\"M10,20L30,40\"", "M 10,20 L 30,40"},
        {"d=\"M10-20\"", "M 10,-20"},
        {"d=\"m 10 10 l 5 0 c 0 5 5 5 5 0\"", "M 10,10 L 15,10 C 15,15 20,15 20,10"},
        {"d=\"M 0 0 L 10 0 20 0\"", "M 0,0 L 10,0"},
        {"d=\"M 0 0 H 10 V 10 Z\"", "M 0,0"},
        {"d=\"M 1e1 0\"", "M 10,0"},
        {"d=\"M0 0Q5 -5 10 0\"", "M 0,0 Q 5,-5 10,0"},
        {"d=\"M 1.5.5 2\"", "M 1.5,2"},  // the rest of the token is lost
        // A number that does not convert drops its command and ends the reading.
        {"d=\"M\t5 5\"", ""},  // the tab makes an empty token
        {"d=\"M 1 2 L 3\"", "M 1,2"},
        {"d=\"M 1 2 L - 4 L 5 5\"", "M 1,2"},
        {"d=\"M 1 2 L 1e999 0\"", "M 1,2"},
        {"d=\"M 1 2 L 1e-999 0\"", "M 1,2"},  // underflow is reported as out of range too
        {"d=\"M 1 2 C 3 4 5 6 +\"", "M 1,2"},
        // A later attribute reduced to the same name wins.
        {"d=\"M0 0 L5 5\" data-d=\"M7 7\"", "M 7,7"},
        // Only matrix and translate apply, from the first parentheses.
        {"d=\"M 0 0 L 10 0\" transform=\"translate(5 7)\"", "M 5,7 L 15,7"},
        {"d=\"M 0 0 L 10 0\" transform=\"translate(5,7)\"", "M 5,0 L 15,0"},  // f is 0
        {"d=\"M 0 0 L 10 0\" transform=\"matrix(2 0 0 2 1 1)\"", "M 1,1 L 21,1"},
        {"d=\"M 0 0 L 10 0\" transform=\"scale(2)\"", "M 0,0 L 10,0"},
        {"d=\"M 0 0 L 10 0\" transform=\"rotate(30)\"", "M 0,0 L 10,0"},
        {"d=\"M 0 0 L 10 0\" transform=\"scale(2) translate(10 20)\"", "M 2,0 L 12,0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(ParsedTag(c.attributes).segments), c.want) << c.attributes;
    }
}

TEST(SvgGuideReader, WidthIsTheUntransformedExtentOfX) {
    const std::pair<const char*, double> cases[] = {
        {"d=\"M 0 0 L 10 0\" transform=\"translate(5 7)\"", 10},
        {"d=\"M 1 1 L 3 1\" transform=\"matrix(2 0 0 2 1 1)\"", 2},
        // The first command's points each reset the extent, so a leading C counts its end only.
        {"d=\"C 50 0 -40 0 10 0\"", 0},
        {"d=\"C 50 0 -40 0 10 0 L 20 0\"", 10},
        {"d=\"\"", 0},
        // Whole points of a dropped command still count.
        {"d=\"M 0 0 C 30 0 40 0 x\"", 40},
    };
    for (const auto& [attributes, width] : cases) {
        EXPECT_EQ(ParsedTag(attributes).pathWidth, width) << attributes;
    }
}

TEST(SvgGuideReader, OnlyTheFirstTagContainingPathIsRead) {
    PathParser parser;
    EXPECT_FALSE(parser.Parse("<!-- a path --><path d=\"M0 0 L5 5\"/>"));
    EXPECT_TRUE(parser.Parse("<svg><clipPath/><path d=\"M0 0 L5 5\"/><path d=\"M1 1\"/>"));
    EXPECT_EQ(parser.segments.size(), 2u);
    EXPECT_FALSE(parser.Parse("no tags at all"));
    EXPECT_FALSE(parser.Parse("<path d=\"M0 0 L5 5\""));  // no closing ">"
}

TEST(SvgGuideReader, AttributeScanMatchesTheRegularExpression) {
    const std::regex pattern("([a-zA-Z]*?)=\"(.*?)\"");
    const char alphabet[] = {'a', 'Z', 'd', '=', '"', '"', ' ', '-', '\n', '\r', '\0', 'x', '='};
    std::mt19937 generator(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string tag(generator() % 14, ' ');
        for (char& c : tag) {
            c = alphabet[generator() % sizeof alphabet];
        }
        std::map<std::string, std::string> expected;
        for (auto it = std::sregex_iterator(tag.begin(), tag.end(), pattern);
             it != std::sregex_iterator(); ++it) {
            expected[(*it)[1].str()] = (*it)[2].str();
        }
        ASSERT_EQ(PathParser::ParseAttributes(tag), expected) << "tag: " << tag;
    }
}

TEST(SvgGuideReader, LongHostileTagsAreReadInLinearTime) {
    // Quadratic scanning or a recursive matcher would not finish these in the suite's time.
    const std::string many(4 << 20, 'a');
    PathParser parser;
    EXPECT_FALSE(parser.Parse("<path " + many + "=\"" + many));
    std::string unclosed = "<path ";
    for (int i = 0; i < 200000; ++i) {
        unclosed += "d=\"x\n";
    }
    EXPECT_FALSE(parser.Parse(unclosed + ">"));
    std::string commands = "<path d=\"M0 0";
    for (int i = 0; i < 200000; ++i) {
        commands += " L1 1";
    }
    EXPECT_TRUE(parser.Parse(commands + "\"/>"));
    EXPECT_EQ(parser.segments.size(), 200001u);
}

class GuideFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ReleaseGuides();
        std::filesystem::create_directories(GuideFolder());
    }
    void TearDown() override { ReleaseGuides(); }

    std::string GuideFolder() const { return data_.path() + "/Orvane/vxplugin/guide"; }
    void WriteGuide(const std::string& name, const std::string& svg) const {
        std::ofstream(GuideFolder() + "/" + name + ".svg", std::ios::binary) << svg;
    }
    PathParser Load(const std::u16string& name) const { return PathParser(name); }

    ScratchFolder data_;
    ScopedEnvironment xdg_{"XDG_DATA_HOME", data_.path()};
};

TEST_F(GuideFolderTest, BuiltInNamesNeverReadTheFolder) {
    WriteGuide(":S", "<path d=\"M0 0 L1 1 L2 0\"/>");
    WriteGuide(":C", "<path d=\"M0 0 L1 1 L2 0\"/>");
    WriteGuide(":s", "<path d=\"M0 0 L1 1 L2 0\"/>");
    PathParser straight = Load(u":S");
    EXPECT_EQ(straight.segments.size(), 2u);
    EXPECT_EQ(straight.segments[1].points[0].x, 100);
    EXPECT_EQ(Load(u":C").segments[1].kind, PathSegment::kQuadratic);
    // A lower-case name is an ordinary file name.
    EXPECT_EQ(Load(u":s").segments[1].points[0].y, 1);
}

TEST_F(GuideFolderTest, UnusableGuidesBecomeTheStraightLine) {
    WriteGuide("empty", "");
    WriteGuide("nopath", "<svg><rect/></svg>");
    WriteGuide("overflow", "<path d=\"m1e308 0 l1e308 0\"/>");
    WriteGuide("matrix", "<path d=\"M1e200 1 L2 2\" transform=\"matrix(1e200 0 0 1e200 0 0)\"/>");
    WriteGuide("huge", "<path d=\"M1 1 L2 2\" transform=\"matrix(1e400 0 0 1 0 0)\"/>");
    for (const char16_t* name :
         {u"missing", u"empty", u"nopath", u"overflow", u"matrix", u"huge"}) {
        PathParser guide = Load(name);
        ASSERT_EQ(guide.segments.size(), 2u);
        EXPECT_EQ(guide.segments[1].points[0].x, 100);
        EXPECT_EQ(guide.pathWidth, 100);
    }
    // Finite but enormous guides are kept.
    WriteGuide("far", "<path d=\"M0 0 L1e300 0\"/>");
    EXPECT_EQ(Load(u"far").pathWidth, 1e300);
}

MoveEffectImageParam NoBaseImage() {
    return MoveEffectImageParam{};
}

void DrawWithGuide(const char* guide) {
    MoveEffectParam param{};
    PointTarget target{};
    MoveEffectImageParam image = NoBaseImage();
    MoveEffectCanvasParam canvas{};
    DrawEffect(&param, &target, guide, &image, &canvas, nullptr, nullptr);
}

TEST_F(GuideFolderTest, CacheBuildsEachGuideStringOnceAndKeepsAFallbackUntilReleased) {
    DrawWithGuide(":S");
    ASSERT_EQ(Guides().size(), 1u);
    const PathParser* first = Guides().begin()->second.get();
    DrawWithGuide(":S");
    EXPECT_EQ(Guides().size(), 1u);
    EXPECT_EQ(Guides().begin()->second.get(), first);
    DrawWithGuide("later");  // missing: the straight line
    DrawWithGuide("Later");
    EXPECT_EQ(Guides().size(), 3u);
    EXPECT_EQ(Guides()["later"]->segments[1].points[0].x, 100);
    WriteGuide("later", "<path d=\"M0 0 L7 3\"/>");
    DrawWithGuide("later");
    EXPECT_EQ(Guides()["later"]->segments[1].points[0].x, 100);
    ReleaseGuides();
    EXPECT_TRUE(Guides().empty());
    DrawWithGuide("later");
    EXPECT_EQ(Guides()["later"]->segments[1].points[0].x, 7);
    ReleaseGuides();
    ReleaseGuides();  // on an empty cache
    EXPECT_TRUE(Guides().empty());
}

// Draws a steady radiate effect with the guide over a checkered canvas.
std::vector<uint8_t> DrawnWith(const char* guide) {
    const TestImage image(120, 90, [](int x, int y) { return (x / 10 + y / 10) % 2 == 0; });
    MoveEffectParam param = SteadyParam(VELTRIX_TYPE_RADIATE, 120);
    param.curvature = 0.5;
    return DrawColoured(param, PointTarget{{60, 45}, {70, 45}, {115, 45}}, image, guide);
}

TEST_F(GuideFolderTest, GuideFilesDrawThroughTheEffectInTimeBoundedByTheCanvas) {
    WriteGuide("curve", "<svg><path d=\"M0 50 Q50 0 100 50\"/></svg>");
    const std::vector<uint8_t> builtIn = DrawnWith(":C");
    EXPECT_EQ(DrawnWith("curve"), builtIn);
    EXPECT_NE(DrawnWith(":S"), builtIn);
    // Enormous but finite guides are kept; overflowing ones load as the straight line.
    WriteGuide("tall", "<path d=\"M0 0 L50 1e300 L100 0\"/>");
    WriteGuide("wide", "<path d=\"M-1e300 0 L0 0 L1e300 5\"/>");
    DrawnWith("tall");
    DrawnWith("wide");
}

}  // namespace
