// Platform layer: the bridge's text conversion, folding and folder services, the file
// utilities over it, and the plug-in data folders they give.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <veltrix/veltrix.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/BridgeBuffers.h"
#include "platform/FileUtil.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"

namespace {

std::string ToUtf8(const std::u16string& units) {
    const Utf8Buffer bytes(ST_Utf16ToUtf8(units.data(), static_cast<int>(units.size())));
    return bytes ? std::string(bytes.get()) : std::string("<null>");
}

std::string AppSupportPath() {
    const Utf8Buffer path(ST_GetAppSupportPath());
    return path ? std::string(path.get()) : std::string("<null>");
}

TEST(PlatformBridge, ConversionsReplaceEachMaximalIllFormedPieceAndKeepPairs) {
    const std::pair<const char*, std::u16string> toUtf16[] = {
        {"A\xFF", u"A\uFFFD"},
        {"\xE2\x82\x41", u"\uFFFDA"},                       // truncated three-byte sequence
        {"\xF0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong lead, then two strays
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xC3\xA9t\xF0\x9F\x98\x80", u"\u00E9t\U0001F600"},
    };
    for (const auto& [bytes, units] : toUtf16) {
        int count = -1;
        const Utf16Buffer converted(ST_Utf8ToUtf16(bytes, &count));
        EXPECT_EQ(std::u16string(converted.get(), static_cast<size_t>(count)), units) << bytes;
    }
    EXPECT_EQ(ToUtf8({u'a', char16_t(0xDC00), u'b'}), "a\xEF\xBF\xBD\x62");
    EXPECT_EQ(ToUtf8({char16_t(0xDC00), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(std::string("ab\0cd", 5)), u"ab");  // the wrapper stops at a NUL
    // Refused input gives null with a count of 0.
    int count = 7;
    EXPECT_EQ(ST_Utf8ToUtf16(nullptr, &count), nullptr);
    EXPECT_EQ(count, 0);
    const char16_t unit = u'x';
    EXPECT_EQ(ST_Utf16ToUtf8(nullptr, 1), nullptr);
    EXPECT_EQ(ST_Utf16ToUtf8(&unit, -1), nullptr);
}

TEST(PlatformBridge, ToLowerCaseMayChangeTheLengthAndWritesWholeOrNothing) {
    const std::u16string text = u"Stra\u00DFe\xD800";  // an unpaired surrogate at the end
    char16_t out[8] = {u'?', u'?', u'?', u'?', u'?', u'?', u'?', u'?'};
    EXPECT_EQ(ST_ToLowerCase(text.data(), 7, out, 7), -2);  // short by one: untouched
    EXPECT_EQ(std::u16string(out, 8), u"????????");
    ASSERT_EQ(ST_ToLowerCase(text.data(), 7, out, 8), 8);
    EXPECT_EQ(std::u16string(out, 8), u"strasse\uFFFD");
    EXPECT_EQ(ST_ToLowerCase(nullptr, 3, out, 8), -1);
    EXPECT_EQ(ToLowerCase(u"A\u00DF"), u"ass");  // the wrapper grows its buffer
}

TEST(PlatformBridge, AppSupportPathFollowsTheXdgRuleThenThePasswordDatabase) {
    ScratchFolder home;
    const ScopedEnvironment homeVariable("HOME", home.path() + "/");
    for (const std::optional<std::string>& data : {std::optional<std::string>("a/b"), {}}) {
        const ScopedEnvironment xdg("XDG_DATA_HOME", data);
        EXPECT_EQ(AppSupportPath(), home.path() + "/.local/share");
    }
    const ScopedEnvironment xdg("XDG_DATA_HOME", home.path() + "/data/");
    EXPECT_EQ(AppSupportPath(), home.path() + "/data");
    EXPECT_FALSE(std::filesystem::exists(home.path() + "/.local"));  // nothing created
    const ScopedEnvironment noData("XDG_DATA_HOME", std::nullopt), noHome("HOME", std::nullopt);
    const std::string path = AppSupportPath();
    EXPECT_TRUE(path.front() == '/' && path.find("/.local/share") == path.size() - 13) << path;
}

TEST(PlatformBridge, FolderServicesListMatchingNamesInListingOrder) {
    ScratchFolder folder;
    for (const char* name : {"a.svg", "B.SVG", "c.txt", "dsvg"}) {
        folder.Write(name, "");
    }
    EXPECT_TRUE(ST_CreateDirectory((folder / "sub.svg/x").c_str()));
    EXPECT_TRUE(ST_CreateDirectory(folder.path().c_str()));
    EXPECT_FALSE(ST_CreateDirectory((folder / "a.svg").c_str()) || ST_CreateDirectory(nullptr));
    std::vector<std::u16string> svg;  // the expected order is the system's
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path().extension() != ".txt" && entry.path().filename() != "dsvg") {
            svg.push_back(Utf8ToUtf16(folder / entry.path().filename().string()));
        }
    }
    EXPECT_EQ(EnumFiles(Utf8ToUtf16(folder.path() + "//"), u".Svg"), svg);
    EXPECT_EQ(EnumFiles(Utf8ToUtf16(folder.path()), u"svg").size(), 4u);  // a plain suffix
    EXPECT_EQ(EnumFiles(Utf8ToUtf16(folder.path()), u"").size(), 5u);
    EXPECT_TRUE(EnumFiles(Utf8ToUtf16(folder / "missing"), u".svg").empty());
}

TEST(FileUtil, ReadAllTextReadsRegularFilesOnlyAndWriteAllTextReportsALateFailure) {
    ScratchFolder folder;
    const std::string bytes("line\r\nnul\0byte\r\n", 16);
    EXPECT_TRUE(WriteAllText(Utf8ToUtf16(folder / "crlf.txt"), bytes));
    EXPECT_EQ(ReadAllText(folder / "crlf.txt"), bytes);
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    for (const std::string& other : {folder / "fifo", folder.path(), std::string("/dev/zero")}) {
        EXPECT_EQ(ReadAllText(other), "") << other;  // without blocking or reading forever
    }
    EXPECT_FALSE(WriteAllText(u"/dev/full", "lost"));  // fails only when flushed
}

TEST(FileUtil, PathNames) {
    const std::tuple<std::u16string, std::u16string, bool> extensions[] = {
        {u"a.SVG", u".svg", true},       {u"vg", u".svg", false},          {u"asvg", u"svg", true},
        {u"a.\uFF33VG", u".svg", false},  // no byte-table lookup for units above 255
        {u"a.\u0130", u".i", false},     {u"a.\u00C9", u".\u00E9", false},
    };
    for (const auto& [path, extension, has] : extensions) {
        EXPECT_EQ(HasExtension(path, extension), has) << Utf16ToUtf8(path);
    }
    EXPECT_EQ(GetFileNameWithoutExt(u"dir/file.tar.gz"), u"file.tar");
    EXPECT_EQ(GetFileNameWithoutExt(u"C:\\x\\name.ini"), u"name");
    EXPECT_EQ(GetFileNameWithoutExt(u"dir/.hidden"), u".hidden");
}

class PluginDataFolders : public DataFolderTest {};

TEST_F(PluginDataFolders, PathsReachTheHostAsUtf8WholeOrNotAtAll) {
    const ScopedEnvironment xdg("XDG_DATA_HOME", data / "donn\xC3\xA9\x65s");
    const std::string folder = data / "donn\xC3\xA9\x65s/Orvane/vxplugin/";
    EXPECT_EQ(Utf16ToUtf8(GetIniFilePath(u"\u901F")), folder + "preset/\xE9\x80\x9F.ini");
    EXPECT_EQ(Utf16ToUtf8(GetPluginDataPath(u"speed", false)), folder + "guide/speed.svg");
    const int length = static_cast<int>(folder.size() + 7);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '#');
    for (const int which : {0, 2, -1, 1}) {  // only 1 selects the preset folder
        EXPECT_EQ(GetPluginDirPath(which, buffer.data(), length + 1), length - (which != 1));
        EXPECT_EQ(buffer.data(), folder + (which == 1 ? "preset/" : "guide/"));
    }
    buffer.assign(buffer.size(), '#');
    EXPECT_EQ(GetPluginDirPath(1, buffer.data(), length), length);
    EXPECT_EQ(std::string(buffer.data(), 2), std::string("\0#", 2));  // too small: ""
    EXPECT_EQ(GetPluginDirPath(1, buffer.data() + 1, 0), length);
    EXPECT_EQ(buffer[1], '#');
    GetPluginDir(1, buffer.data());
    EXPECT_EQ(buffer.data(), folder + "preset/");
}

}  // namespace
