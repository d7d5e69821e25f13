// Presets: the text format and the reader's rules, and saving and loading by name.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <locale>
#include <numeric>
#include <string>
#include <tuple>

#include "TestFolders.h"
#include "preset/PresetFormat.h"
#include "preset/PresetStore.h"

namespace {

const std::string kDefaultText =  // what a save of the default record writes
    "[guide]\ntype=radiate\np1=0.5,0.5\np2=0.5,0.325\np3=0.5,0.125\nname=:S\ncurvature=1\n\n"
    "[pen]\nsize=2\nhardness=1\nfluction=0\nin=500\nout=500\nasdist=false\neasing=false\n\n"
    "[line]\nposition=0\nposfluct=0\nlength=10\nlenfluct=0\nspacing=50\nspcfluct=0\n"
    "lengain=0\nspcgain=0\nconnect=true\n";

// A record and its flags, read from text over garbage.
struct Loaded {
    explicit Loaded(const std::string& text) {
        std::memset(&param, 0xEE, sizeof(param));
        std::memset(&flags, 0xEE, sizeof(flags));
        ini::ParsePreset(text, &param, &flags);
    }
    int Flags() const {  // the sum of the flag bytes: the number set when each is 0 or 1
        const auto* bytes = reinterpret_cast<const uint8_t*>(&flags);
        return std::accumulate(bytes, bytes + sizeof(flags), 0);
    }
    std::string Text() const {
        std::string text = "<refused>";
        ini::FormatPreset(param, &text);
        return text;
    }
    MoveEffectIniParam param;
    MoveEffectIniReadFlag flags;
};

TEST(PresetFormat, EveryFieldRoundTripsByteForByte) {
    MoveEffectIniParam defaults;
    std::memset(&defaults, 0x5A, sizeof(defaults));
    GetDefaultParam(&defaults);
    const Loaded loaded(kDefaultText);
    EXPECT_EQ(loaded.Flags(), 22);
    EXPECT_EQ(std::memcmp(&defaults, &loaded.param, sizeof(defaults)), 0);  // padding too
    EXPECT_EQ(loaded.Text(), kDefaultText);
    const std::string text =
        "[guide]\ntype=circle\np1=0.12345,-0.5\np2=1,0.00001\np3=0.75,0.875\n"
        "name=wave \xC3\xA9 = 2\ncurvature=-1.25\n\n[pen]\nsize=12.5\nhardness=0.75\n"
        "fluction=0.25\nin=-7\nout=2147483647\nasdist=true\neasing=true\n\n[line]\n"
        "position=-2147483648\nposfluct=0.5\nlength=1234567\nlenfluct=0.01\nspacing=3\n"
        "spcfluct=0.99\nlengain=100000000000000000000\nspcgain=-0.5\nconnect=false\n";
    EXPECT_EQ(Loaded(text).Text(), text);  // none of these values is 0, so each was read
}

TEST(PresetFormat, ReaderRules) {
    // Each text sets at most one field; the line that field then writes, and the flags set.
    const std::tuple<const char*, const char*, int> cases[] = {
        // sections and keys compare exactly; white space around them is trimmed
        {"[ pen ]\n  size = 3  \n", "size=3", 1},
        {"[Pen]\nsize=3\n", "size=0", 0},
        // lines: CR LF ends one, CR alone does not; a byte order mark hides the first header
        {"[pen]\r\nsize=3\r\n", "size=3", 1},
        {"[pen]\rsize=3\r", "size=0", 0},
        {"\xEF\xBB\xBF[pen]\nsize=3\n", "size=0", 0},
        // before any section, and "[pen" is no header; text after "]" is ignored
        {"size=3\n[pen\nsize=4\n[pen] trailing\nhardness=0.5\n", "size=0", 1},
        {"[pen]\n# size=1\n; size=2\nsize\n  size=3\n", "size=3", 1},  // comments, no "="
        // the last occurrence decides, also when it is rejected; a point keeps a parsed x
        {"[line]\nlength=5\nlength=x\n", "length=5", 0},
        {"[guide]\np1=0.1,0.2\np1=0.7,bad\n", "p1=0.7,0.2", 0},
        {"[guide]\np1=0.5, 0.3,0.9\n", "p1=0.5,0.3", 1},
        // words ignore case; digits are no type
        {"[guide]\ntype=CIRCLE\n", "type=circle", 1},
        {"[guide]\ntype=2\n", "type=radiate", 0},
        {"[pen]\nasdist=yes\n", "asdist=false", 0},
        // integers: a leading number within 32 bits; numbers: a leading number, finite or inf
        {"[pen]\nin=12.7\n", "in=12", 1},
        {"[guide]\nname= \t\v\xC2\xA0n=2 \f\r\n", "name=\xC2\xA0n=2", 1},  // C white space only
        {"[pen]\nin=99999999999\n", "in=0", 0},
        {"[pen]\nsize=2.5 ; note\n", "size=2.5", 1},
        {"[pen]\nsize=0,5\n", "size=0", 1},
        {"[pen]\nsize=inf\n", "size=inf", 1},
    };
    for (const auto& [text, line, flags] : cases) {
        const Loaded loaded(text);
        EXPECT_NE(loaded.Text().find("\n" + std::string(line) + "\n"), std::string::npos) << text;
        EXPECT_EQ(loaded.Flags(), flags) << text;
    }
}

TEST(PresetFormat, NamesAreLimitedAndClearedBehind) {
    const std::string longest(258, 'n');
    EXPECT_EQ(Loaded("[guide]\nname=" + longest + "n\n").Flags(), 0);
    // A shorter repeat clears what the longest name left behind its NUL.
    const Loaded loaded("[guide]\nname=" + longest + "\nname=ab\n");
    EXPECT_EQ(std::string(loaded.param.name, sizeof(loaded.param.name)),
              "ab" + std::string(262, '\0'));
}

class PresetStore : public DataFolderTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(presets);
        GetDefaultParam(&defaults);
    }
    long Files() const {
        using Listing = std::filesystem::directory_iterator;
        return std::distance(Listing(presets), Listing());
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
    EXPECT_EQ(Files(), 1);  // no temporary file is left
    Loaded loaded("");
    ASSERT_TRUE(LoadParam(name, &loaded.param, &loaded.flags));
    EXPECT_EQ(loaded.Text(), kDefaultText);
    // Without text (missing, or not a file) nothing is touched.
    std::filesystem::create_directory(presets + "folder.ini");
    const std::string before = loaded.Text();
    EXPECT_FALSE(LoadParam("missing", &loaded.param, nullptr));  // null flags are allowed
    EXPECT_FALSE(LoadParam("folder", &loaded.param, &loaded.flags));
    EXPECT_EQ(loaded.Text(), before);
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
    EXPECT_EQ(Files(), 0);
}

// Fails step 0 (write, after half the text), 1 (flush) or 2 (rename) of a save.
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
    defaults.size = 3.0;
    for (int step = 0; step < 3; ++step) {
        FailingSeam seam(step);
        EXPECT_FALSE(SavePreset(u"speed", &defaults, seam)) << step;
        EXPECT_EQ(ReadFileBytes(presets + "speed.ini"), kDefaultText) << step;
        EXPECT_EQ(Files(), 1) << step;
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
    const bool saved = SaveParam("comma", &defaults);
    Loaded loaded("");
    const bool read = LoadParam("comma", &loaded.param, &loaded.flags);
    std::locale::global(oldCpp);
    std::setlocale(LC_ALL, oldC.c_str());
    ASSERT_TRUE(saved && read);
    EXPECT_NE(ReadFileBytes(presets + "comma.ini")->find("\nsize=2.5\n"), std::string::npos);
    EXPECT_EQ(std::memcmp(&loaded.param, &defaults, sizeof(defaults)), 0);
}

}  // namespace
