// Platform layer: text conversion, folding, folders and files, and the plug-in data folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <veltrix/veltrix.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/FileUtil.h"
#include "platform/PlatformBridge.h"
#include "platform/TextConversion.h"
#include "preset/PluginDataFolders.h"

namespace {

TEST(PlatformBridge, ConversionsReplaceEachMaximalIllFormedPieceAndKeepPairs) {
    const std::pair<const char*, std::u16string> toUtf16[] = {
        {"\xE2\x82\x41", u"\uFFFDA"},                       // truncated three-byte sequence
        {"\xF0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong lead, then two strays
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xC3\xA9t\xF0\x9F\x98\x80", u"\u00E9t\U0001F600"},
    };
    for (const auto& [bytes, units] : toUtf16) {
        EXPECT_EQ(Utf8ToUtf16(bytes), units) << bytes;
    }
    EXPECT_EQ(Utf16ToUtf8({u'a', char16_t(0xDC00), u'b'}), "a\xEF\xBF\xBD\x62");
    EXPECT_EQ(Utf16ToUtf8({char16_t(0xDC00), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
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

TEST(PlatformBridge, FolderServicesListMatchingNamesJoinedByOneSlash) {
    ScratchFolder folder;
    folder.Write("a.SVG", "");
    folder.Write("a.txt", "");
    EXPECT_TRUE(ST_CreateDirectory((folder / "sub/b.svg").c_str()));
    EXPECT_FALSE(ST_CreateDirectory((folder / "a.txt/x").c_str()) || ST_CreateDirectory(nullptr));
    const auto svg = EnumFiles(Utf8ToUtf16(folder.path() + "//"), u".svg");
    EXPECT_EQ(svg, std::vector<std::u16string>{Utf8ToUtf16(folder / "a.SVG")});
    EXPECT_EQ(EnumFiles(Utf8ToUtf16(folder.path()), u"").size(), 3u);
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
}

}  // namespace
