// Plug-in data folders: the folder paths, file paths of names, and the exported path queries.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"

namespace {

// Points the data folder at a scratch folder for one test.
class PluginDataFolders : public ::testing::Test {
  protected:
    ScratchFolder data_;
    ScopedEnvironment xdg_{"XDG_DATA_HOME", data_.path()};
    const std::string presets_ = data_.path() + "/Orvane/vxplugin/preset/";
    const std::string guides_ = data_.path() + "/Orvane/vxplugin/guide/";
};

std::string Exported(int which) {
    std::vector<char> buffer(4096, '#');
    GetPluginDir(which, buffer.data());
    return buffer.data();
}

}  // namespace

TEST_F(PluginDataFolders, FolderAndFilePaths) {
    EXPECT_EQ(Utf16ToUtf8(GetPluginDir(true)), presets_);
    EXPECT_EQ(Utf16ToUtf8(GetPluginDir(false)), guides_);
    EXPECT_EQ(Utf16ToUtf8(GetPluginDataPath(u"speed", true)), presets_ + "speed.ini");
    EXPECT_EQ(Utf16ToUtf8(GetPluginDataPath(u"speed", false)), guides_ + "speed.svg");
    EXPECT_EQ(GetIniFilePath(u"speed"), GetPluginDataPath(u"speed", true));
    EXPECT_EQ(Utf16ToUtf8(GetIniFilePath(u"\u901F\u3044")),
              presets_ + "\xE9\x80\x9F\xE3\x81\x84.ini");
}

TEST_F(PluginDataFolders, ExportedGetPluginDirSelectsThePresetFolderOnlyForOne) {
    EXPECT_EQ(Exported(1), presets_);
    EXPECT_EQ(Exported(0), guides_);
    EXPECT_EQ(Exported(2), guides_);
    EXPECT_EQ(Exported(-1), guides_);
    GetPluginDir(1, nullptr);  // ignored
}

TEST_F(PluginDataFolders, GetPluginDirPathWritesTheWholePathOrNothing) {
    const int length = static_cast<int>(presets_.size());
    EXPECT_EQ(GetPluginDirPath(1, nullptr, 0), length);
    EXPECT_EQ(GetPluginDirPath(0, nullptr, 100), static_cast<int>(guides_.size()));

    std::vector<char> buffer(static_cast<size_t>(length) + 1, '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), length + 1), length);
    EXPECT_EQ(std::string(buffer.data()), presets_);

    buffer.assign(buffer.size(), '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), length), length);
    EXPECT_EQ(buffer[0], '\0');  // too small by the NUL: nothing of the path
    EXPECT_EQ(buffer[1], '#');

    buffer.assign(buffer.size(), '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), 0), length);
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), -5), length);
    EXPECT_EQ(buffer[0], '#');
}

TEST(PluginDataFolderNames, NonAsciiDataFolderReachesTheHostAsUtf8) {
    ScratchFolder parent;
    const std::string data = parent / "donn\xC3\xA9\x65s-\xF0\x9F\x98\x80";
    const ScopedEnvironment xdg("XDG_DATA_HOME", data);
    EXPECT_EQ(Exported(1), data + "/Orvane/vxplugin/preset/");
    EXPECT_EQ(GetPluginDir(false), Utf8ToUtf16(data) + u"/Orvane/vxplugin/guide/");
}
