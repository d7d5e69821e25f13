// Preset text: the written format byte for byte and every rule of the reader.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <cmath>
#include <cstring>
#include <string>

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

TEST(PresetFormat, DtosTrimsTrailingZerosAndPoint) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {2.0, 2, "2"},
        {0.5, 5, "0.5"},
        {0.325, 5, "0.325"},
        {100.0, 2, "100"},
        {-1.5, 2, "-1.5"},
        {0.0, 2, "0"},
        {1.234, 2, "1.23"},
        {10.0, 2, "10"},
        {0.125, 2, "0.12"},
        {2.675, 2, "2.67"},
        {1e20, 2, "100000000000000000000"},
        {100.0, 0, "100"},  // no point: the zeros of the integer part stay
        {INFINITY, 2, "inf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini::_dtos(c.value, c.decimals), c.text) << c.value;
    }
}

TEST(PresetFormat, TrimRemovesCWhiteSpaceOnly) {
    std::string text = " \t\v\f\r\nname\xC2\xA0 \r";
    ini::trim(text);
    EXPECT_EQ(text, "name\xC2\xA0");  // bytes above 0x7F are never white space
    std::string blank = " \t ";
    ini::trim(blank);
    EXPECT_EQ(blank, "");
}

TEST(PresetFormat, DefaultRecordWritesTheDefaultText) {
    EXPECT_EQ(Format(Defaults()), kDefaultPresetText);
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

TEST(PresetFormat, NameWithoutNulOrWithLineBreakIsNotWritten) {
    MoveEffectIniParam param = Defaults();
    std::memset(param.name, 'a', sizeof(param.name));  // no NUL anywhere in the array
    std::string text = "untouched";
    EXPECT_FALSE(ini::FormatPreset(param, &text));
    EXPECT_EQ(text, "untouched");

    for (const char* name : {"a\nsize=9", "a\r[pen]", "\n"}) {
        param = Defaults();
        std::strcpy(param.name, name);
        EXPECT_FALSE(ini::FormatPreset(param, &text)) << name;
        EXPECT_EQ(text, "untouched");
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

TEST(PresetFormat, SectionsAndKeysCompareExactly) {
    Loaded loaded = Parse("[ pen ]\nsize=3\n");
    EXPECT_EQ(loaded.flags.size, 1);
    EXPECT_EQ(loaded.param.size, 3.0);

    loaded = Parse("[Pen]\nsize=3\n");
    EXPECT_EQ(loaded.flags.size, 0);

    loaded = Parse("[pen]\nSize=3\n");
    EXPECT_EQ(loaded.flags.size, 0);
    EXPECT_EQ(loaded.param.size, 0.0);

    loaded = Parse("[pen]\n  size = 3  \n");
    EXPECT_EQ(loaded.param.size, 3.0);

    loaded = Parse("size=3\n[pen\nsize=4\n[pen] trailing\nhardness=0.5\n");
    EXPECT_EQ(loaded.flags.size, 0);  // before any section, and "[pen" is no header
    EXPECT_EQ(loaded.param.hardness, 0.5);
}

TEST(PresetFormat, CommentsAndLinesWithoutEqualsAreIgnored) {
    const Loaded loaded = Parse("[pen]\n# size=1\n; size=2\nsize\n  size=3\n");
    EXPECT_EQ(loaded.param.size, 3.0);
    EXPECT_EQ(CountFlags(loaded.flags), 1);
}

TEST(PresetFormat, ValueRulesPerKind) {
    // Each line is read under its section; the value is that of the line's field, the flag
    // whether the field was accepted.
    const struct {
        const char* line;
        double value;
        int flag;
    } cases[] = {
        // type words ignore case and reject digits
        {"[guide]\ntype=CIRCLE", 2, 1},
        {"[guide]\ntype=parallel", 1, 1},
        {"[guide]\ntype=radiate", 0, 1},
        {"[guide]\ntype=2", 0, 0},
        {"[guide]\ntype=circles", 0, 0},
        // flag words
        {"[pen]\nasdist=TRUE", 1, 1},
        {"[pen]\nasdist=1", 1, 1},
        {"[pen]\nasdist=False", 0, 1},
        {"[pen]\nasdist=0", 0, 1},
        {"[pen]\nasdist=yes", 0, 0},
        {"[pen]\nasdist=2", 0, 0},
        // integers: a leading number, within 32 bits
        {"[pen]\nin=12.7", 12, 1},
        {"[pen]\nin=7px", 7, 1},
        {"[pen]\nin= -42", -42, 1},
        {"[pen]\nin=+5", 5, 1},
        {"[pen]\nin=2147483647", 2147483647, 1},
        {"[pen]\nin=abc", 0, 0},
        {"[pen]\nin=99999999999", 0, 0},
        {"[pen]\nin=-2147483649", 0, 0},
        {"[pen]\nin=", 0, 0},
        // numbers: a leading number, finite or written inf/nan
        {"[pen]\nsize=2.5 ; note", 2.5, 1},
        {"[pen]\nsize=-1e2", -100, 1},
        {"[pen]\nsize=0x10", 16, 1},
        {"[pen]\nsize=+.5", 0.5, 1},
        {"[pen]\nsize=0,5", 0, 1},
        {"[pen]\nsize=abc", 0, 0},
        {"[pen]\nsize=1e999", 0, 0},
        {"[pen]\nsize=", 0, 0},
        {"[pen]\nsize=inf", INFINITY, 1},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Parse(std::string(c.line) + "\n");
        const MoveEffectIniParam& p = loaded.param;
        const MoveEffectIniReadFlag& f = loaded.flags;
        const std::string key = std::string(c.line).substr(std::string(c.line).find('\n') + 1, 2);
        const double value = key == "ty"   ? p.type
                             : key == "as" ? p.asdist
                             : key == "in" ? p.in
                                           : p.size;
        const int flag = key == "ty"   ? f.type
                         : key == "as" ? f.asdist
                         : key == "in" ? f.in
                                       : f.size;
        EXPECT_EQ(value, c.value) << c.line;
        EXPECT_EQ(flag, c.flag) << c.line;
    }
    EXPECT_TRUE(std::isnan(Parse("[pen]\nsize=nan\n").param.size));
}

TEST(PresetFormat, PointValues) {
    const struct {
        const char* line;
        double x;
        double y;
        int flag;
    } cases[] = {{"p1=0.5, 0.3", 0.5, 0.3, 1}, {"p1=0.5,0.3,0.9", 0.5, 0.3, 1},
                 {"p1=0.3", 0.0, 0.0, 0},      {"p1=0.3,abc", 0.3, 0.0, 0},
                 {"p1=abc,0.3", 0.0, 0.0, 0},  {"p1=", 0.0, 0.0, 0}};
    for (const auto& c : cases) {
        const Loaded loaded = Parse(std::string("[guide]\n") + c.line + "\n");
        EXPECT_EQ(loaded.param.p1.x, c.x) << c.line;
        EXPECT_EQ(loaded.param.p1.y, c.y) << c.line;
        EXPECT_EQ(loaded.flags.p1, c.flag) << c.line;
    }
}

TEST(PresetFormat, RepeatedKeyLastOccurrenceDecides) {
    Loaded loaded = Parse("[line]\nlength=5\nlength=8\n");
    EXPECT_EQ(loaded.param.length, 8);
    EXPECT_EQ(loaded.flags.length, 1);

    loaded = Parse("[line]\nlength=5\nlength=x\n");
    EXPECT_EQ(loaded.param.length, 5);
    EXPECT_EQ(loaded.flags.length, 0);

    loaded = Parse("[guide]\np1=0.1,0.2\np1=0.7,bad\n");  // x of the rejected repeat stays
    EXPECT_EQ(loaded.param.p1.x, 0.7);
    EXPECT_EQ(loaded.param.p1.y, 0.2);
    EXPECT_EQ(loaded.flags.p1, 0);
}

TEST(PresetFormat, NameLengthLimitAndTail) {
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

TEST(PresetFormat, NameIsTrimmedAndKeepsFurtherEquals) {
    EXPECT_STREQ(Parse("[guide]\nname=  my guide \t\n").param.name, "my guide");
    EXPECT_STREQ(Parse("[guide]\nname=a=b\n").param.name, "a=b");
}
