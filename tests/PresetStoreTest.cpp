// Presets on disk: save and load by name, the safe replacement of an old file, host locales.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <locale>
#include <regex>
#include <set>
#include <string>

#include "PresetTestSupport.h"
#include "TestFolders.h"
#include "platform/FileUtil.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"
#include "preset/PresetDefaults.h"
#include "preset/PresetFormat.h"
#include "preset/PresetStore.h"

namespace {

// A data folder of its own with an existing preset folder.
class PresetStore : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDataDirectory(GetPluginDir(true)));
        GetDefaultParam(&defaults_);
    }

    std::string PresetFile(const std::string& name) const { return folder_ + name + ".ini"; }

    std::set<std::string> FolderEntries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    ScratchFolder data_;
    ScopedEnvironment xdg_{"XDG_DATA_HOME", data_.path()};
    const std::string folder_ = data_.path() + "/Orvane/vxplugin/preset/";
    MoveEffectIniParam defaults_{};
};

// Fails the chosen step of a save after doing part of the real work.
class FailingSeam : public PresetFileSeam {
  public:
    enum Step { kWrite, kFlush, kRename };
    explicit FailingSeam(Step step) : step_(step) {}

    bool Write(std::FILE* file, const std::string& text) override {
        if (step_ == kWrite) {
            PresetFileSeam::Write(file, text.substr(0, text.size() / 2));
            return false;
        }
        return PresetFileSeam::Write(file, text);
    }
    bool Flush(std::FILE* file) override { return PresetFileSeam::Flush(file) && step_ != kFlush; }
    bool Rename(const std::string& from, const std::string& to) override {
        renamedFrom = from;
        return step_ != kRename && PresetFileSeam::Rename(from, to);
    }

    std::string renamedFrom;

  private:
    Step step_;
};

}  // namespace

TEST_F(PresetStore, SaveReplacesAnExistingPresetAndLeavesNoTemporaryFile) {
    defaults_.size = 9.0;
    ASSERT_TRUE(SaveParam("speed", &defaults_));
    defaults_.size = 3.0;
    ASSERT_TRUE(SaveParam("speed", &defaults_));
    MoveEffectIniParam loaded;
    ASSERT_TRUE(LoadParam("speed", &loaded, nullptr));  // null flags are allowed
    EXPECT_EQ(loaded.size, 3.0);
    EXPECT_EQ(FolderEntries(), std::set<std::string>{"speed.ini"});
    // Names may reach into subfolders.
    std::filesystem::create_directory(folder_ + "set");
    ASSERT_TRUE(SaveParam("set/speed", &defaults_));
    EXPECT_TRUE(ReadFileBytes(folder_ + "set/speed.ini").has_value());
}

TEST_F(PresetStore, DefaultRecordUnderANonAsciiNameSavesTheDefaultTextAndLoadsBack) {
    const char* name = "\xE9\x80\x9F\xE3\x81\x84 \xF0\x9F\x98\x80";
    ASSERT_TRUE(SaveParam(name, &defaults_));
    EXPECT_EQ(ReadFileBytes(PresetFile(name)), kDefaultPresetText);
    MoveEffectIniParam loaded;
    std::memset(&loaded, 0x33, sizeof(loaded));
    MoveEffectIniReadFlag flags;
    ASSERT_TRUE(LoadParam(name, &loaded, &flags));
    EXPECT_EQ(CountFlags(flags), 22);
    EXPECT_TRUE(SameBytes(loaded, defaults_));
}

TEST_F(PresetStore, MissingFileLeavesTheRecordUntouchedAndOneWithoutTextZeroesIt) {
    MoveEffectIniParam param;
    std::memset(&param, 0x42, sizeof(param));
    const MoveEffectIniParam before = param;
    MoveEffectIniReadFlag flags;
    std::memset(&flags, 0x42, sizeof(flags));
    EXPECT_FALSE(LoadParam("missing", &param, &flags));
    std::filesystem::create_directory(folder_ + "folder.ini");  // not a file: no text
    EXPECT_FALSE(LoadParam("folder", &param, &flags));
    EXPECT_TRUE(SameBytes(param, before));
    EXPECT_EQ(flags.connect, 0x42);

    std::ofstream(PresetFile("junk")) << "nothing here\n";
    ASSERT_TRUE(LoadParam("junk", &param, &flags));
    EXPECT_EQ(CountFlags(flags), 0);
    EXPECT_TRUE(SameBytes(param, MoveEffectIniParam{}));
}

TEST_F(PresetStore, RejectedCallsTouchNothing) {
    EXPECT_FALSE(SaveParam("", &defaults_));
    EXPECT_FALSE(SaveParam(nullptr, &defaults_));
    EXPECT_FALSE(SaveParam("x", nullptr));
    MoveEffectIniReadFlag flags;
    EXPECT_FALSE(LoadParam("x", nullptr, &flags));
    EXPECT_FALSE(LoadParam(nullptr, &defaults_, &flags));
    // A guide name with a line break would inject keys; one without a NUL has no end.
    for (const char* name : {"guide\n[pen]", "a\r[pen]", "\n"}) {
        std::strcpy(defaults_.name, name);
        EXPECT_FALSE(SaveParam("broken", &defaults_)) << name;
    }
    std::memset(defaults_.name, 'z', sizeof(defaults_.name));
    EXPECT_FALSE(SaveParam("unterminated", &defaults_));
    EXPECT_TRUE(FolderEntries().empty());

    GetDefaultParam(&defaults_);
    std::filesystem::remove_all(folder_);
    EXPECT_FALSE(SaveParam("speed", &defaults_));
    EXPECT_FALSE(std::filesystem::exists(folder_));
}

TEST_F(PresetStore, FailedSaveKeepsTheOldFileAndRemovesTheTemporaryOne) {
    std::strcpy(defaults_.name, "old");
    ASSERT_TRUE(SaveParam("speed", &defaults_));
    const std::optional<std::string> old = ReadFileBytes(PresetFile("speed"));
    ASSERT_TRUE(old.has_value());
    std::strcpy(defaults_.name, "new");

    for (FailingSeam::Step step :
         {FailingSeam::kWrite, FailingSeam::kFlush, FailingSeam::kRename}) {
        FailingSeam seam(step);
        EXPECT_FALSE(SavePreset(u"speed", &defaults_, seam)) << step;
        EXPECT_EQ(ReadFileBytes(PresetFile("speed")), old) << step;
        EXPECT_EQ(FolderEntries(), std::set<std::string>{"speed.ini"}) << step;
        if (step == FailingSeam::kRename) {  // it was beside the preset and no .ini file
            EXPECT_EQ(std::filesystem::path(seam.renamedFrom).parent_path().string() + "/",
                      folder_);
            EXPECT_FALSE(HasExtension(Utf8ToUtf16(seam.renamedFrom), u".ini"));
        }
    }
}

TEST_F(PresetStore, SaveAsDateUsesTheLocalTimeAsName) {
    std::u16string name;
    ASSERT_TRUE(SavePresetAsDate(&defaults_, &name));
    EXPECT_TRUE(std::regex_match(Utf16ToUtf8(name), std::regex("[0-9]{8}-[0-9]{6}")));
    EXPECT_EQ(ReadFileBytes(PresetFile(Utf16ToUtf8(name))), kDefaultPresetText);
    EXPECT_TRUE(SavePresetAsDate(&defaults_, nullptr));
}

// Runs under de_DE.UTF-8 (decimal comma, "." grouping), generated from the installed locale
// sources when the system lacks it, so the test never skips where it may write them (CI is root).
TEST_F(PresetStore, DecimalCommaLocaleChangesNoByte) {
    defaults_.size = 2.5;
    defaults_.length = 1234567;
    ASSERT_TRUE(SaveParam("plain", &defaults_));

    // Looked up in a child: a failed lookup here would keep this process from seeing the
    // locale that localedef then adds.
    if (std::system("locale -a 2>/dev/null | grep -qix 'de_DE.utf-\\?8'") != 0) {
        std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1");
    }
    const std::string oldC = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "cannot generate de_DE.UTF-8: run 'localedef -i de_DE -f UTF-8 de_DE.UTF-8' as root";
    const std::locale oldCpp = std::locale::global(std::locale("de_DE.UTF-8"));
    char probe[16];
    std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
    const std::string probed = probe;

    const bool saved = SaveParam("comma", &defaults_);
    MoveEffectIniParam loaded{};
    const bool read = LoadParam("comma", &loaded, nullptr);
    const std::string dtos = ini::_dtos(0.5, 2);
    double half = 0.0;
    const bool parsed = ini::GetIniDouble("0.5", &half);

    std::locale::global(oldCpp);
    std::setlocale(LC_ALL, oldC.c_str());

    EXPECT_EQ(probed, "0,5");  // the locale is really in force
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadFileBytes(PresetFile("comma")), ReadFileBytes(PresetFile("plain")));
    EXPECT_TRUE(read);
    EXPECT_TRUE(SameBytes(loaded, defaults_));
    EXPECT_EQ(dtos, "0.5");
    EXPECT_TRUE(parsed);
    EXPECT_EQ(half, 0.5);
}
