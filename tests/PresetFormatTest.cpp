// Preset text: the default record, the written format byte for byte and every rule of the reader.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "PresetTestSupport.h"
#include "preset/PresetDefaults.h"
#include "preset/PresetFormat.h"

namespace {

struct Loaded {
    MoveEffectIniParam param;
    MoveEffectIniReadFlag flags;
};

Loaded Parse(const std::string& text) {
    Loaded loaded;
    std::memset(&loaded, 0xEE, sizeof(loaded));
    ini::ParsePreset(text, &loaded.param, &loaded.flags);
    return loaded;
}

// The value and the read flag of one field after reading text.
std::pair<double, int> Field(const std::string& text, const std::string& key) {
    const Loaded l = Parse(text);
    const MoveEffectIniParam& p = l.param;
    const MoveEffectIniReadFlag& f = l.flags;
    const std::map<std::string, std::pair<double, int>> fields = {
        {"type", {p.type, f.type}},
        {"asdist", {p.asdist, f.asdist}},
        {"in", {p.in, f.in}},
        {"size", {p.size, f.size}},
        {"length", {p.length, f.length}},
        {"hardness", {p.hardness, f.hardness}},
        {"p1.x", {p.p1.x, f.p1}},
        {"p1.y", {p.p1.y, f.p1}}};
    return fields.at(key);
}

MoveEffectIniParam Defaults() {
    MoveEffectIniParam param;
    GetDefaultPreset(&param);
    return param;
}

std::string Format(const MoveEffectIniParam& param) {
    std::string text = "<not written>";
    EXPECT_TRUE(ini::FormatPreset(param, &text));
    return text;
}

}  // namespace

TEST(PresetFormat, DefaultRecordIsTheDefaultTextWithZeroedPadding) {
    // Both records start from different garbage: equal bytes mean every field and every
    // padding byte is set.
    MoveEffectIniParam param;
    std::memset(&param, 0x5A, sizeof(param));
    GetDefaultParam(&param);
    const Loaded parsed = Parse(kDefaultPresetText);
    EXPECT_EQ(CountFlags(parsed.flags), 22);
    EXPECT_TRUE(SameBytes(param, parsed.param));
    EXPECT_EQ(Format(param), kDefaultPresetText);
    GetDefaultParam(nullptr);  // ignored
    // Outside the target point table the point is left as it was.
    for (const auto& c : {std::pair{3, 0}, {1, 3}, {-1, 0}, {0, -1}}) {
        PathPoint point{7.0, 8.0};
        GetDefaultTargetPoint(c.first, c.second, point);
        EXPECT_TRUE(point.x == 7.0 && point.y == 8.0) << c.first << "/" << c.second;
    }
}

TEST(PresetFormat, NumbersAreWrittenWithTrailingZerosAndPointTrimmed) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0.325, 5, "0.325"},
        {100.0, 2, "100"},
        {-1.5, 2, "-1.5"},
        {0.0, 2, "0"},
        {1.234, 2, "1.23"},
        {2.675, 2, "2.67"},  // binary 2.67499...
        {1e20, 2, "100000000000000000000"},
        {100.0, 0, "100"},  // no point: the zeros of the integer part stay
        {INFINITY, 2, "inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini::_dtos(c.value, c.decimals), c.text) << c.value;
    }
}

TEST(PresetFormat, EveryFieldRoundTripsWithItsFlag) {
    MoveEffectIniParam param = Defaults();
    param.type = 2;
    param.p1 = {0.12345, -0.5};
    param.p2 = {1.0, 0.00001};
    param.p3 = {0.75, 0.875};
    std::strcpy(param.name, "wave \xC3\xA9 = 2");
    param.curvature = -1.25;
    param.size = 12.5;
    param.hardness = 0.75;
    param.fluction = 0.25;
    param.in = -7;
    param.out = 2147483647;
    param.asdist = 1;
    param.easing = 1;
    param.position = -2147483647 - 1;
    param.posfluct = 0.5;
    param.length = 1234567;
    param.lenfluct = 0.01;
    param.spacing = 3;
    param.spcfluct = 0.99;
    param.lengain = 2.5;
    param.spcgain = -0.5;
    param.connect = 0;

    const Loaded loaded = Parse(Format(param));
    EXPECT_EQ(CountFlags(loaded.flags), 22);
    EXPECT_TRUE(SameBytes(loaded.param, param));
}

TEST(PresetFormat, OddFieldsAreWrittenAsTheReaderTreatsThem) {
    const struct {
        const char* name;
        void (*tweak)(MoveEffectIniParam&);
        const char* line;
        int flags;
        bool (*loaded)(const MoveEffectIniParam&);
    } cases[] = {
        {"nonzero flag byte", [](MoveEffectIniParam& p) { p.easing = 0x7F; }, "easing=true\n", 22,
         [](const MoveEffectIniParam& p) { return p.easing == 1; }},
        {"unknown type", [](MoveEffectIniParam& p) { p.type = 5; }, "\ntype=\n", 21,
         [](const MoveEffectIniParam& p) { return p.type == 0; }},
        {"empty name", [](MoveEffectIniParam& p) { p.name[0] = '\0'; }, "\nname=\n", 22,
         [](const MoveEffectIniParam& p) { return p.name[0] == '\0'; }},
    };
    for (const auto& c : cases) {
        MoveEffectIniParam param = Defaults();
        c.tweak(param);
        const std::string text = Format(param);
        EXPECT_NE(text.find(c.line), std::string::npos) << c.name;
        const Loaded loaded = Parse(text);
        EXPECT_EQ(CountFlags(loaded.flags), c.flags) << c.name;
        EXPECT_TRUE(c.loaded(loaded.param)) << c.name;
    }
}

TEST(PresetFormat, LineEndsAndByteOrderMark) {
    std::string crlf;
    std::string cr = kDefaultPresetText;
    for (char& c : cr) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        c = c == '\n' ? '\r' : c;
    }
    const struct {
        const char* name;
        std::string text;
        int flags;
    } cases[] = {
        {"CR LF reads like LF", crlf, 22},
        {"CR alone makes one line", cr, 0},
        {"empty text", "", 0},
        {"byte order mark hides the first header", "\xEF\xBB\xBF" + kDefaultPresetText, 16},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Parse(c.text);
        EXPECT_EQ(CountFlags(loaded.flags), c.flags) << c.name;
        if (c.flags == 22) {
            EXPECT_TRUE(SameBytes(loaded.param, Defaults())) << c.name;
        } else if (c.flags == 0) {
            EXPECT_TRUE(SameBytes(loaded.param, MoveEffectIniParam{})) << c.name;
        } else {  // the [guide] keys are lost, the [pen] ones read
            EXPECT_EQ(loaded.flags.type + loaded.flags.curvature, 0) << c.name;
            EXPECT_EQ(loaded.flags.size, 1) << c.name;
        }
    }
}

TEST(PresetFormat, ReaderRules) {
    // The value of one field after reading the text, and whether it was accepted.
    const struct {
        const char* text;
        const char* key;
        double value;
        int flag;
    } cases[] = {
        // sections and keys compare exactly; white space around them is trimmed
        {"[ pen ]\nsize=3\n", "size", 3, 1},
        {"[Pen]\nsize=3\n", "size", 0, 0},
        {"[pen]\nSize=3\n", "size", 0, 0},
        {"[pen]\n  size = 3  \n", "size", 3, 1},
        // before any section, and "[pen" is no header; text after "]" is ignored
        {"size=3\n[pen\nsize=4\n[pen] trailing\nhardness=0.5\n", "size", 0, 0},
        {"size=3\n[pen\nsize=4\n[pen] trailing\nhardness=0.5\n", "hardness", 0.5, 1},
        // comments and lines without "=" are ignored
        {"[pen]\n# size=1\n; size=2\nsize\n  size=3\n", "size", 3, 1},
        // the last occurrence decides, also when it is rejected
        {"[line]\nlength=5\nlength=8\n", "length", 8, 1},
        {"[line]\nlength=5\nlength=x\n", "length", 5, 0},
        {"[guide]\np1=0.1,0.2\np1=0.7,bad\n", "p1.x", 0.7, 0},  // x of the rejected repeat stays
        {"[guide]\np1=0.1,0.2\np1=0.7,bad\n", "p1.y", 0.2, 0},
        // type words ignore case and reject digits
        {"[guide]\ntype=CIRCLE\n", "type", 2, 1},
        {"[guide]\ntype=2\n", "type", 0, 0},
        {"[guide]\ntype=circles\n", "type", 0, 0},
        // flag words
        {"[pen]\nasdist=TRUE\n", "asdist", 1, 1},
        {"[pen]\nasdist=0\n", "asdist", 0, 1},
        {"[pen]\nasdist=yes\n", "asdist", 0, 0},
        {"[pen]\nasdist=2\n", "asdist", 0, 0},
        // integers: a leading number, within 32 bits
        {"[pen]\nin=12.7\n", "in", 12, 1},
        {"[pen]\nin= -42\n", "in", -42, 1},
        {"[pen]\nin=2147483647\n", "in", 2147483647, 1},
        {"[pen]\nin=99999999999\n", "in", 0, 0},
        {"[pen]\nin=-2147483649\n", "in", 0, 0},
        {"[pen]\nin=\n", "in", 0, 0},
        // numbers: a leading number, finite or written inf/nan
        {"[pen]\nsize=2.5 ; note\n", "size", 2.5, 1},
        {"[pen]\nsize=0x10\n", "size", 16, 1},
        {"[pen]\nsize=0,5\n", "size", 0, 1},
        {"[pen]\nsize=abc\n", "size", 0, 0},
        {"[pen]\nsize=1e999\n", "size", 0, 0},
        {"[pen]\nsize=inf\n", "size", INFINITY, 1},
        // points need a comma; x is kept as soon as it parses
        {"[guide]\np1=0.5, 0.3\n", "p1.y", 0.3, 1},
        {"[guide]\np1=0.5,0.3,0.9\n", "p1.y", 0.3, 1},
        {"[guide]\np1=0.3\n", "p1.x", 0, 0},
        {"[guide]\np1=0.3,abc\n", "p1.x", 0.3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Field(c.text, c.key), std::make_pair(c.value, c.flag)) << c.text;
    }
    EXPECT_TRUE(std::isnan(Parse("[pen]\nsize=nan\n").param.size));
}

TEST(PresetFormat, NamesAreTrimmedOfCWhiteSpaceLimitedAndClearedBehind) {
    // Bytes above 0x7F are never white space; further "=" belong to the name.
    EXPECT_STREQ(Parse("[guide]\nname= \t\v\f\rmy\xC2\xA0guide=2\xC2\xA0 \t\n").param.name,
                 "my\xC2\xA0guide=2\xC2\xA0");
    const std::string longest(258, 'n');
    Loaded loaded = Parse("[guide]\nname=" + longest + "\n");
    EXPECT_EQ(loaded.flags.name, 1);
    EXPECT_EQ(std::string(loaded.param.name), longest);

    loaded = Parse("[guide]\nname=" + longest + "n\n");
    EXPECT_EQ(loaded.flags.name, 0);
    EXPECT_STREQ(loaded.param.name, "");

    // A shorter repeat clears what the longer name left behind its NUL.
    loaded = Parse("[guide]\nname=" + longest + "\nname=ab\n");
    EXPECT_STREQ(loaded.param.name, "ab");
    for (size_t i = 2; i < sizeof(loaded.param.name); ++i) {
        ASSERT_EQ(loaded.param.name[i], '\0') << i;
    }
}
