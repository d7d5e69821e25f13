// Platform layer: the bridge's text conversion, folding and folder services, and the file
// utilities over it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/BridgeBuffers.h"
#include "platform/FileUtil.h"
#include "platform/TextConversion.h"

namespace {

std::u16string ToUtf16(const char* text) {
    int count = -1;
    const Utf16Buffer units(ST_Utf8ToUtf16(text, &count));
    EXPECT_GE(count, 0);
    return count > 0 ? std::u16string(units.get(), static_cast<size_t>(count)) : u"";
}

std::string ToUtf8(const std::u16string& units) {
    const Utf8Buffer bytes(ST_Utf16ToUtf8(units.data(), static_cast<int>(units.size())));
    EXPECT_NE(bytes, nullptr);
    return bytes ? std::string(bytes.get()) : std::string("<null>");
}

std::string AppSupportPath() {
    const Utf8Buffer path(ST_GetAppSupportPath());
    return path ? std::string(path.get()) : std::string("<null>");
}

std::vector<std::string> Listing(const std::string& folder, const char* extension) {
    int count = -1;
    ST_Char16** files = ST_EnumFiles(folder.c_str(), extension, &count);
    const FileListing listing(files, count);
    std::vector<std::string> paths;
    EXPECT_EQ(files == nullptr, count == 0);
    for (int i = 0; i < count; ++i) {
        paths.push_back(ToUtf8(files[i]));
    }
    return paths;
}

std::u16string Wide(const std::string& path) {
    return Utf8ToUtf16(path);
}

}  // namespace

TEST(PlatformBridge, ConversionsReplaceEachMaximalIllFormedPieceAndKeepPairs) {
    const struct {
        const char* bytes;
        std::u16string units;
    } toUtf16[] = {
        {"A\xFF", u"A\uFFFD"},
        {"\xE2\x82"
         "A",
         u"\uFFFD"
         u"A"},                                             // truncated three-byte sequence
        {"\xF0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong lead, then two strays
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong slash
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xC3\xA9t\xF0\x9F\x98\x80", u"\u00E9t\U0001F600"},
    };
    for (const auto& c : toUtf16) {
        EXPECT_EQ(ToUtf16(c.bytes), c.units) << c.bytes;
    }
    const struct {
        std::u16string units;
        std::string bytes;
    } toUtf8[] = {
        {std::u16string{u'a', char16_t(0xDC00), u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"", ""},
    };
    for (const auto& c : toUtf8) {
        EXPECT_EQ(ToUtf8(c.units), c.bytes) << c.bytes;
    }
    // The wrappers stop at an embedded NUL.
    EXPECT_EQ(Utf8ToUtf16(std::string("ab\0cd", 5)), u"ab");
}

TEST(PlatformBridge, NullEmptyAndNegativeInputIsRefused) {
    int count = 7;
    EXPECT_EQ(ST_Utf8ToUtf16(nullptr, &count), nullptr);
    EXPECT_EQ(count, 0);
    count = 7;
    ST_FreeUtf16(ST_Utf8ToUtf16("", &count));
    EXPECT_EQ(count, 0);
    ST_FreeUtf16(ST_Utf8ToUtf16("abc", nullptr));
    const char16_t unit = u'x';
    EXPECT_EQ(ST_Utf16ToUtf8(nullptr, 1), nullptr);
    EXPECT_EQ(ST_Utf16ToUtf8(&unit, -1), nullptr);
    ST_FreeUtf16(nullptr);
    ST_FreeUtf8(nullptr);
    ST_FreeEnumFiles(nullptr, 3);
    ScratchFolder folder;
    for (const auto& [path, extension] :
         {std::pair{(folder / "missing"), ".svg"}, {std::string(), ".svg"}, {folder.path(), ""}}) {
        count = 5;
        EXPECT_EQ(ST_EnumFiles(path.empty() ? nullptr : path.c_str(),
                               *extension != '\0' ? extension : nullptr, &count),
                  nullptr);
        EXPECT_EQ(count, 0);
    }
}

TEST(PlatformBridge, ToLowerCaseMayChangeTheLengthAndWritesWholeOrNothing) {
    const std::u16string text = u"Stra\u00DFe\xD800";  // an unpaired surrogate at the end
    char16_t out[8] = {u'?', u'?', u'?', u'?', u'?', u'?', u'?', u'?'};
    EXPECT_EQ(ST_ToLowerCase(text.data(), 7, out, 7), -2);  // short by one: untouched
    EXPECT_EQ(std::u16string(out, 8), u"????????");
    ASSERT_EQ(ST_ToLowerCase(text.data(), 7, out, 8), 8);
    EXPECT_EQ(std::u16string(out, 8), u"strasse\uFFFD");
    EXPECT_EQ(ST_ToLowerCase(nullptr, 3, out, 8), -1);
    EXPECT_EQ(ST_ToLowerCase(text.data(), -1, out, 8), -1);
    EXPECT_EQ(ToLowerCase(u"A\u00DF"), u"ass");  // the wrapper grows its buffer
}

TEST(PlatformBridge, AppSupportPathFollowsTheXdgRuleThenThePasswordDatabase) {
    ScratchFolder home;
    {
        const ScopedEnvironment homeVariable("HOME", home.path() + "/");
        const ScopedEnvironment data("XDG_DATA_HOME", home.path() + "/data/");
        EXPECT_EQ(AppSupportPath(), home.path() + "/data");
        for (const auto& relative :
             {std::optional<std::string>("relative/data"), std::optional<std::string>()}) {
            const ScopedEnvironment other("XDG_DATA_HOME", relative);
            EXPECT_EQ(AppSupportPath(), home.path() + "/.local/share");
        }
        EXPECT_FALSE(std::filesystem::exists(home.path() + "/.local"));  // nothing created
    }
    const ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
    const ScopedEnvironment noHome("HOME", std::nullopt);
    const std::string path = AppSupportPath();
    ASSERT_GE(path.size(), 14u);
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.size() - 13), "/.local/share");
}

TEST(PlatformBridge, CreateDirectoryAcceptsExistingFoldersOnly) {
    ScratchFolder folder;
    EXPECT_TRUE(ST_CreateDirectory(folder.path().c_str()));
    folder.Write("file", "x");
    EXPECT_FALSE(ST_CreateDirectory((folder / "file/sub").c_str()));
    EXPECT_FALSE(ST_CreateDirectory((folder / "file").c_str()));
    EXPECT_FALSE(ST_CreateDirectory(nullptr));
    EXPECT_FALSE(CreateDataDirectory(u""));
}

TEST(PlatformBridge, EnumFilesKeepsMatchingNamesInListingOrderJoinedByOneSlash) {
    ScratchFolder folder;
    for (const char* name : {"a.svg", "B.SVG", "c.txt", "dsvg"}) {
        folder.Write(name, "");
    }
    std::filesystem::create_directory(folder / "sub.svg");
    // Names as the system lists them, so the expected order is the listing order.
    std::vector<std::string> svg;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const std::string name = entry.path().filename().string();
        if (name != "c.txt" && name != "dsvg") {
            svg.push_back(folder / name);
        }
    }
    EXPECT_EQ(Listing(folder.path(), ".svg"), svg);
    EXPECT_EQ(Listing(folder.path() + "//", ".SVG"), svg);
    EXPECT_EQ(Listing(folder.path(), "svg").size(), 4u);  // a plain suffix: dsvg too
    EXPECT_EQ(Listing(folder.path(), "").size(), 5u);
    EXPECT_EQ(EnumFiles(Wide(folder.path()), u".Svg").size(), 3u);
}

TEST(FileUtil, ReadAllTextReturnsTheBytesOfRegularFilesOnly) {
    ScratchFolder folder;
    const std::string bytes("line\r\nnul\0byte\r\n", 16);
    folder.Write("crlf.txt", bytes);
    EXPECT_EQ(ReadAllText(folder / "crlf.txt"), bytes);
    EXPECT_EQ(ReadAllText(Wide(folder / "crlf.txt")), bytes);
    folder.Write("empty.txt", "");
    EXPECT_EQ(ReadAllText(folder / "empty.txt"), "");
    EXPECT_EQ(ReadAllText(folder / "missing.txt"), "");
    // Without blocking on a pipe or reading a device forever.
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadAllText(folder / "fifo"), "");
    EXPECT_EQ(ReadAllText(folder.path()), "");
    EXPECT_EQ(ReadAllText(std::string("/dev/zero")), "");
}

TEST(FileUtil, WriteAllTextReportsAFailureThatShowsOnlyAtFlush) {
    // The device accepts the open and the buffered write, and fails when the data is flushed.
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    EXPECT_FALSE(WriteAllText(u"/dev/full", "lost"));
    ScratchFolder folder;
    EXPECT_TRUE(WriteAllText(Wide(folder / "out.txt"), std::string("x\0y", 3)));
    EXPECT_EQ(ReadFileBytes(folder / "out.txt"), std::string("x\0y", 3));
}

TEST(FileUtil, PathNames) {
    ScratchFolder folder;
    folder.Write("file", "x");
    std::filesystem::create_symlink(folder / "file", folder / "link");
    EXPECT_TRUE(FileExists(Wide(folder / "link")));
    EXPECT_FALSE(FileExists(Wide(folder.path())) || FileExists(u""));
    const struct {
        std::u16string path;
        std::u16string extension;
        bool has;
    } extensions[] = {
        {u"a.SVG", u".svg", true},
        {u"vg", u".svg", false},
        {u"asvg", u"svg", true},
        // Units above 255 are compared as they are, never passed to a byte-table lookup.
        {u"a.\uFF33VG", u".svg", false},
        {u"a.\u0130", u".i", false},
        {u"a.\u00C9", u".\u00E9", false},
    };
    for (const auto& c : extensions) {
        EXPECT_EQ(HasExtension(c.path, c.extension), c.has) << Utf16ToUtf8(c.path);
    }
    for (const auto& [path, name] :
         {std::pair<std::u16string, std::u16string>{u"dir/file.tar.gz", u"file.tar"},
          {u"C:\\x\\name.ini", u"name"},
          {u"dir/.hidden", u".hidden"}}) {
        EXPECT_EQ(GetFileNameWithoutExt(path), name) << Utf16ToUtf8(path);
    }
}
