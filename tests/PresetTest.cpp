// Presets: the default record, the text format and the reader's rules, and saving and loading
// by name, host locale and failures included.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <locale>
#include <string>
#include <tuple>
#include <vector>

#include "TestFolders.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"
#include "preset/PresetDefaults.h"
#include "preset/PresetFormat.h"
#include "preset/PresetStore.h"

namespace {

const std::string kDefaultText =  // what a save of the default record writes
    "[guide]\ntype=radiate\np1=0.5,0.5\np2=0.5,0.325\np3=0.5,0.125\nname=:S\ncurvature=1\n\n"
    "[pen]\nsize=2\nhardness=1\nfluction=0\nin=500\nout=500\nasdist=false\neasing=false\n\n"
    "[line]\nposition=0\nposfluct=0\nlength=10\nlenfluct=0\nspacing=50\nspcfluct=0\n"
    "lengain=0\nspcgain=0\nconnect=true\n";

struct Loaded {
    MoveEffectIniParam param;
    MoveEffectIniReadFlag flags;
    // How many of the 22 flags are 1; any other value than 0 or 1 gives -1.
    int Flags() const {
        int set = 0;
        for (size_t i = 0; i < sizeof(flags); ++i) {
            const uint8_t flag = reinterpret_cast<const uint8_t*>(&flags)[i];
            set = set < 0 || flag > 1 ? -1 : set + flag;
        }
        return set;
    }
};

Loaded Parse(const std::string& text) {
    Loaded loaded;
    std::memset(&loaded, 0xEE, sizeof(loaded));
    ini::ParsePreset(text, &loaded.param, &loaded.flags);
    return loaded;
}

// Byte-wise equality of two records, padding included.
bool SameBytes(const MoveEffectIniParam& a, const MoveEffectIniParam& b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

std::string Format(const MoveEffectIniParam& param) {
    std::string text = "<refused>";
    ini::FormatPreset(param, &text);
    return text;
}

TEST(PresetFormat, DefaultRecordWithZeroedPaddingRoundTripsAsTheDefaultText) {
    MoveEffectIniParam param;
    std::memset(&param, 0x5A, sizeof(param));
    GetDefaultParam(&param);
    EXPECT_EQ(Format(param), kDefaultText);
    const Loaded loaded = Parse(kDefaultText);  // from other garbage: every byte is set
    EXPECT_EQ(loaded.Flags(), 22);
    EXPECT_TRUE(SameBytes(param, loaded.param));
}

TEST(PresetFormat, EveryFieldRoundTripsWithNumbersWrittenShortest) {
    const std::string text =
        "[guide]\ntype=circle\np1=0.12345,-0.5\np2=1,0.00001\np3=0.75,0.875\n"
        "name=wave \xC3\xA9 = 2\ncurvature=-1.25\n\n[pen]\nsize=12.5\nhardness=0.75\n"
        "fluction=0.25\nin=-7\nout=2147483647\nasdist=true\neasing=true\n\n[line]\n"
        "position=-2147483648\nposfluct=0.5\nlength=1234567\nlenfluct=0.01\nspacing=3\n"
        "spcfluct=0.99\nlengain=100000000000000000000\nspcgain=-0.5\nconnect=false\n";
    const Loaded loaded = Parse(text);
    EXPECT_EQ(loaded.Flags(), 22);
    EXPECT_EQ(Format(loaded.param), text);
    EXPECT_TRUE(SameBytes(Parse(Format(loaded.param)).param, loaded.param));
    const std::pair<double, const char*> rounded[] = {{2.675, "2.67"}, {1.0 / 3, "0.33"}};
    for (const auto& [value, written] : rounded) {
        EXPECT_EQ(ini::_dtos(value, 2), written);  // 2.675 is 2.67499... in binary
    }
    // Fields no reader would produce are written as it treats them.
    MoveEffectIniParam odd = loaded.param;
    odd.easing = 0x7F;
    odd.type = 5;
    odd.name[0] = '\0';
    const std::string oddText = Format(odd);
    for (const char* line : {"\neasing=true\n", "\ntype=\n", "\nname=\n"}) {
        EXPECT_NE(oddText.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(Parse(oddText).Flags(), 21);  // all but the type
}

// The value of one field after reading the text, and whether it was accepted.
std::pair<double, int> Field(const std::string& text, const std::string& key) {
    const Loaded l = Parse(text);
    const MoveEffectIniParam& p = l.param;
    const MoveEffectIniReadFlag& f = l.flags;
    return key == "type"     ? std::pair<double, int>(p.type, f.type)
           : key == "asdist" ? std::pair<double, int>(p.asdist, f.asdist)
           : key == "in"     ? std::pair<double, int>(p.in, f.in)
           : key == "length" ? std::pair<double, int>(p.length, f.length)
           : key == "p1.x"   ? std::pair<double, int>(p.p1.x, f.p1)
           : key == "p1.y"   ? std::pair<double, int>(p.p1.y, f.p1)
                             : std::pair<double, int>(p.size, f.size);
}

TEST(PresetFormat, ReaderRules) {
    const std::tuple<const char*, const char*, double, int> cases[] = {
        // sections and keys compare exactly; white space around them is trimmed
        {"[ pen ]\n  size = 3  \n", "size", 3, 1},
        {"[Pen]\nsize=3\n", "size", 0, 0},
        {"[pen]\nSize=3\n", "size", 0, 0},
        // lines: CR LF ends one, CR alone does not; a byte order mark hides the first header
        {"[pen]\r\nsize=3\r\n", "size", 3, 1},
        {"[pen]\rsize=3\r", "size", 0, 0},
        {"\xEF\xBB\xBF[pen]\nsize=3\n", "size", 0, 0},
        // before any section, and "[pen" is no header; text after "]" is ignored
        {"size=3\n[pen\nsize=4\n[pen] trailing\nhardness=0.5\n", "size", 0, 0},
        // comments and lines without "=" are ignored
        {"[pen]\n# size=1\n; size=2\nsize\n  size=3\n", "size", 3, 1},
        // the last occurrence decides, also when it is rejected
        {"[line]\nlength=5\nlength=8\n", "length", 8, 1},
        {"[line]\nlength=5\nlength=x\n", "length", 5, 0},
        {"[guide]\np1=0.1,0.2\np1=0.7,bad\n", "p1.x", 0.7, 0},  // x of the rejected repeat stays
        {"[guide]\np1=0.1,0.2\np1=0.7,bad\n", "p1.y", 0.2, 0},
        // type words ignore case and reject digits; flag words
        {"[guide]\ntype=CIRCLE\n", "type", 2, 1},
        {"[guide]\ntype=2\n", "type", 0, 0},
        {"[pen]\nasdist=TRUE\n", "asdist", 1, 1},
        {"[pen]\nasdist=0\n", "asdist", 0, 1},
        {"[pen]\nasdist=yes\n", "asdist", 0, 0},
        // integers: a leading number, within 32 bits
        {"[pen]\nin=12.7\n", "in", 12, 1},
        {"[pen]\nin=99999999999\n", "in", 0, 0},
        {"[pen]\nin=-2147483649\n", "in", 0, 0},
        {"[pen]\nin=\n", "in", 0, 0},
        // numbers: a leading number, finite or written inf; never the host's decimal comma
        {"[pen]\nsize=2.5 ; note\n", "size", 2.5, 1},
        {"[pen]\nsize=0x10\n", "size", 16, 1},
        {"[pen]\nsize=0,5\n", "size", 0, 1},
        {"[pen]\nsize=1e999\n", "size", 0, 0},
        {"[pen]\nsize=inf\n", "size", INFINITY, 1},
        // points need a comma; x is kept as soon as it parses
        {"[guide]\np1=0.5, 0.3,0.9\n", "p1.y", 0.3, 1},
        {"[guide]\np1=0.3\n", "p1.x", 0, 0},
    };
    for (const auto& [text, key, value, flag] : cases) {
        EXPECT_EQ(Field(text, key), std::make_pair(value, flag)) << text;
    }
}

TEST(PresetFormat, NamesAreTrimmedOfCWhiteSpaceLimitedAndClearedBehind) {
    // Bytes above 0x7F are never white space; further "=" belong to the name.
    EXPECT_STREQ(Parse("[guide]\nname= \t\v\f\rmy\xC2\xA0guide=2\xC2\xA0 \t\n").param.name,
                 "my\xC2\xA0guide=2\xC2\xA0");
    const std::string longest(258, 'n');
    EXPECT_EQ(Parse("[guide]\nname=" + longest + "n\n").flags.name, 0);
    // A shorter repeat clears what the longest name left behind its NUL.
    const Loaded loaded = Parse("[guide]\nname=" + longest + "\nname=ab\n");
    EXPECT_EQ(std::string(loaded.param.name, sizeof(loaded.param.name)),
              std::string("ab") + std::string(262, '\0'));
}

class PresetStore : public DataFolderTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(presets);
        GetDefaultParam(&defaults);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(presets)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    MoveEffectIniParam defaults{};
};

TEST_F(PresetStore, SaveReplacesByNameAndLoadFillsOnlyWhatTheFileSupplied) {
    const char* name = "\xE9\x80\x9F \xF0\x9F\x98\x80";
    defaults.size = 9.0;
    ASSERT_TRUE(SaveParam(name, &defaults));
    GetDefaultParam(&defaults);
    ASSERT_TRUE(SaveParam(name, &defaults));
    EXPECT_EQ(ReadFileBytes(presets + name + ".ini"), kDefaultText);
    EXPECT_EQ(Files(), std::vector<std::string>{std::string(name) + ".ini"});  // no temporary
    Loaded loaded = Parse("");
    ASSERT_TRUE(LoadParam(name, &loaded.param, &loaded.flags));
    EXPECT_EQ(loaded.Flags(), 22);
    EXPECT_TRUE(SameBytes(loaded.param, defaults));
    data.Write("Orvane/vxplugin/preset/junk.ini", "[pen]\nsize=3\n");
    ASSERT_TRUE(LoadParam("junk", &loaded.param, nullptr));  // null flags are allowed
    EXPECT_EQ(loaded.param.size, 3.0);
    EXPECT_EQ(loaded.param.length, 0);
    // Without text (missing, or not a file) nothing is touched.
    std::filesystem::create_directory(presets + "folder.ini");
    const Loaded before = loaded;
    EXPECT_FALSE(LoadParam("missing", &loaded.param, &loaded.flags));
    EXPECT_FALSE(LoadParam("folder", &loaded.param, &loaded.flags));
    EXPECT_EQ(std::memcmp(&before, &loaded, sizeof(loaded)), 0);
}

TEST_F(PresetStore, RefusedSavesTouchNothing) {
    EXPECT_FALSE(SaveParam("", &defaults) || SaveParam("x", nullptr));
    // A guide name with a line break would inject keys; one without a NUL has no end.
    for (const char* name : {"guide\n[pen]", "a\r[pen]"}) {
        std::strcpy(defaults.name, name);
        EXPECT_FALSE(SaveParam("broken", &defaults)) << name;
    }
    std::memset(defaults.name, 'z', sizeof(defaults.name));
    EXPECT_FALSE(SaveParam("unterminated", &defaults));
    EXPECT_TRUE(Files().empty());
    GetDefaultParam(&defaults);
    std::filesystem::remove_all(presets);
    EXPECT_FALSE(SaveParam("speed", &defaults));
    EXPECT_FALSE(std::filesystem::exists(presets));
}

// Fails the chosen step of a save after doing part of the real work.
class FailingSeam : public PresetFileSeam {
  public:
    explicit FailingSeam(int step) : step_(step) {}
    bool Write(std::FILE* file, const std::string& text) override {
        return PresetFileSeam::Write(file, step_ == 0 ? text.substr(0, 9) : text) && step_ != 0;
    }
    bool Flush(std::FILE* file) override { return PresetFileSeam::Flush(file) && step_ != 1; }
    bool Rename(const std::string& from, const std::string& to) override {
        return step_ != 2 && PresetFileSeam::Rename(from, to);
    }

  private:
    int step_;
};

TEST_F(PresetStore, FailedSaveKeepsTheOldFileAndRemovesTheTemporaryOne) {
    ASSERT_TRUE(SaveParam("speed", &defaults));
    std::strcpy(defaults.name, "new");
    for (int step = 0; step < 3; ++step) {
        FailingSeam seam(step);
        EXPECT_FALSE(SavePreset(u"speed", &defaults, seam)) << step;
        EXPECT_EQ(ReadFileBytes(presets + "speed.ini"), kDefaultText) << step;
        EXPECT_EQ(Files(), std::vector<std::string>{"speed.ini"}) << step;
    }
}

// Under de_DE.UTF-8 (decimal comma), generated from the installed locale sources when the
// system lacks it, so the test never skips where it may write them (CI is root).
TEST_F(PresetStore, DecimalCommaLocaleChangesNoByte) {
    defaults.size = 2.5;
    if (std::system("locale -a 2>/dev/null | grep -qix 'de_DE.utf-\\?8'") != 0) {
        std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1");
    }
    const std::string oldC = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run localedef as root";
    const std::locale oldCpp = std::locale::global(std::locale("de_DE.UTF-8"));
    char probe[8];
    std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
    const bool saved = SaveParam("comma", &defaults);
    Loaded loaded = Parse("");
    const bool read = LoadParam("comma", &loaded.param, &loaded.flags);
    std::locale::global(oldCpp);
    std::setlocale(LC_ALL, oldC.c_str());
    EXPECT_STREQ(probe, "0,5");  // the locale was in force
    ASSERT_TRUE(saved && read);
    EXPECT_NE(ReadFileBytes(presets + "comma.ini")->find("\nsize=2.5\n"), std::string::npos);
    EXPECT_TRUE(SameBytes(loaded.param, defaults));
}

}  // namespace
