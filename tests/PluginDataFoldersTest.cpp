// Plug-in data folders: the folder paths, file paths of names, and the exported path queries.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"

namespace {

std::string Exported(int which) {
    std::vector<char> buffer(4096, '#');
    GetPluginDir(which, buffer.data());
    return buffer.data();
}

}  // namespace

TEST(PluginDataFolders, PathsUnderANonAsciiDataFolderReachTheHostAsUtf8) {
    ScratchFolder parent;
    const std::string data = parent / "donn\xC3\xA9\x65s-\xF0\x9F\x98\x80";
    const ScopedEnvironment xdg("XDG_DATA_HOME", data);
    const std::string presets = data + "/Orvane/vxplugin/preset/";
    const std::string guides = data + "/Orvane/vxplugin/guide/";
    EXPECT_EQ(Utf16ToUtf8(GetIniFilePath(u"\u901F\u3044")),
              presets + "\xE9\x80\x9F\xE3\x81\x84.ini");
    EXPECT_EQ(Utf16ToUtf8(GetPluginDataPath(u"speed", false)), guides + "speed.svg");
    // Only 1 selects the preset folder.
    EXPECT_EQ(Exported(1), presets);
    for (const int which : {0, 2, -1}) {
        EXPECT_EQ(Exported(which), guides) << which;
    }
    GetPluginDir(1, nullptr);  // ignored
}

TEST(PluginDataFolders, GetPluginDirPathWritesTheWholePathOrNothing) {
    ScratchFolder data;
    const ScopedEnvironment xdg("XDG_DATA_HOME", data.path());
    const std::string presets = data.path() + "/Orvane/vxplugin/preset/";
    const int length = static_cast<int>(presets.size());
    EXPECT_EQ(GetPluginDirPath(1, nullptr, 0), length);
    EXPECT_EQ(GetPluginDirPath(0, nullptr, 100), length - 1);  // "guide" is one shorter

    std::vector<char> buffer(static_cast<size_t>(length) + 1, '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), length + 1), length);
    EXPECT_EQ(std::string(buffer.data()), presets);

    buffer.assign(buffer.size(), '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), length), length);
    EXPECT_EQ(buffer[0], '\0');  // too small by the NUL: nothing of the path
    EXPECT_EQ(buffer[1], '#');

    buffer.assign(buffer.size(), '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), 0), length);
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), -5), length);
    EXPECT_EQ(buffer[0], '#');
}
