// Platform bridge: text conversion and repair, folding, the data folder, folder services.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "platform/BridgeBuffers.h"

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

// Names as the system lists them, so the expected order is the listing order.
std::vector<std::string> SystemOrder(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            paths.push_back(folder + "/" + name);
        }
    }
    return paths;
}

}  // namespace

TEST(PlatformBridge, Utf8ToUtf16ReplacesEachMaximalIllFormedPiece) {
    struct Case {
        const char* bytes;
        std::u16string units;
    };
    const Case cases[] = {
        {"A\xFF", u"A\uFFFD"},
        {"\xE2\x82"
         "A",
         u"\uFFFD"
         u"A"},                                             // truncated three-byte sequence
        {"\xF0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong lead, then two strays
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong slash
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf16(c.bytes), c.units) << c.bytes;
    }
}

TEST(PlatformBridge, Utf16ToUtf8ReplacesUnpairedSurrogatesAndKeepsPairs) {
    const struct {
        std::u16string units;
        std::string bytes;
    } cases[] = {
        {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},
        {std::u16string{u'a', char16_t(0xDC00), u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string{char16_t(0xD83D), char16_t(0xDE00)}, "\xF0\x9F\x98\x80"},  // U+1F600
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(c.units), c.bytes) << c.bytes;
    }
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80"), cases[3].units);
}

TEST(PlatformBridge, ConversionsOfNullEmptyAndNegativeInput) {
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
    EXPECT_EQ(ToUtf8(u""), "");
    // The release functions accept null.
    ST_FreeUtf16(nullptr);
    ST_FreeUtf8(nullptr);
    ST_FreeEnumFiles(nullptr, 0);
    ST_FreeEnumFiles(nullptr, 3);
}

TEST(PlatformBridge, ToLowerCaseFoldsAndReportsBadArgumentsAndShortBuffers) {
    const std::u16string abc = u"ABC";
    char16_t out[8] = {u'?', u'?', u'?', u'?', u'?', u'?', u'?', u'?'};
    EXPECT_EQ(ST_ToLowerCase(abc.data(), 3, out, 8), 3);
    EXPECT_EQ(std::u16string(out, 3), u"abc");

    EXPECT_EQ(ST_ToLowerCase(abc.data(), 3, nullptr, 8), -1);
    EXPECT_EQ(ST_ToLowerCase(nullptr, 3, out, 8), -1);
    EXPECT_EQ(ST_ToLowerCase(abc.data(), -1, out, 8), -1);
    EXPECT_EQ(ST_ToLowerCase(abc.data(), 3, out, -1), -1);

    char16_t small[2] = {u'?', u'?'};
    EXPECT_EQ(ST_ToLowerCase(abc.data(), 3, small, 2), -2);
    EXPECT_EQ(std::u16string(small, 2), u"??");  // untouched
}

TEST(PlatformBridge, ToLowerCaseMayChangeTheLength) {
    const std::u16string sharpS = u"Stra\u00DFe";
    char16_t out[16];
    const int written = ST_ToLowerCase(sharpS.data(), static_cast<int>(sharpS.size()), out, 16);
    EXPECT_EQ(std::u16string(out, static_cast<size_t>(written > 0 ? written : 0)), u"strasse");
    EXPECT_EQ(ST_ToLowerCase(sharpS.data(), static_cast<int>(sharpS.size()), out, 6), -2);

    const std::u16string lone{char16_t(0xD800), u'A'};
    ASSERT_EQ(ST_ToLowerCase(lone.data(), 2, out, 16), 2);
    EXPECT_EQ(std::u16string(out, 2), u"\uFFFDa");
}

TEST(PlatformBridge, AppSupportPathFollowsTheXdgRule) {
    ScratchFolder home;
    const ScopedEnvironment homeVariable("HOME", home.path() + "/");
    {
        const ScopedEnvironment data("XDG_DATA_HOME", home.path() + "/data/");
        EXPECT_EQ(AppSupportPath(), home.path() + "/data");
    }
    {
        const ScopedEnvironment data("XDG_DATA_HOME", std::string("relative/data"));
        EXPECT_EQ(AppSupportPath(), home.path() + "/.local/share");
    }
    {
        const ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(AppSupportPath(), home.path() + "/.local/share");
    }
    EXPECT_FALSE(std::filesystem::exists(home.path() + "/.local"));  // nothing created
}

TEST(PlatformBridge, AppSupportPathFallsBackToThePasswordDatabase) {
    const ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
    const ScopedEnvironment home("HOME", std::nullopt);
    const std::string path = AppSupportPath();
    ASSERT_GE(path.size(), std::string("/.local/share").size());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.size() - 13), "/.local/share");
}

TEST(PlatformBridge, CreateDirectoryMakesParentsAndAcceptsExistingFolders) {
    ScratchFolder folder;
    const std::string nested = folder / "a/b/c";
    EXPECT_TRUE(ST_CreateDirectory(nested.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_TRUE(ST_CreateDirectory(nested.c_str()));

    folder.Write("file", "x");
    EXPECT_FALSE(ST_CreateDirectory((folder / "file/sub").c_str()));
    EXPECT_FALSE(ST_CreateDirectory((folder / "file").c_str()));
    EXPECT_FALSE(ST_CreateDirectory(nullptr));
}

TEST(PlatformBridge, EnumFilesKeepsMatchingNamesInListingOrderJoinedByOneSlash) {
    ScratchFolder folder;
    for (const char* name : {"a.svg", "B.SVG", "c.txt", "dsvg"}) {
        folder.Write(name, "");
    }
    std::filesystem::create_directory(folder / "sub.svg");

    const std::vector<std::string> expected = [&] {
        std::vector<std::string> paths;
        for (const std::string& path : SystemOrder(folder.path(), "")) {
            if (path.size() > 4 && (path.substr(path.size() - 4) == ".svg" ||
                                    path.substr(path.size() - 4) == ".SVG")) {
                paths.push_back(path);
            }
        }
        return paths;
    }();
    ASSERT_EQ(expected.size(), 3u);  // a.svg, B.SVG and the folder sub.svg
    EXPECT_EQ(Listing(folder.path(), ".svg"), expected);
    EXPECT_EQ(Listing(folder.path() + "/", ".SVG"), expected);
    EXPECT_EQ(Listing(folder.path() + "//", ".svg"), expected);
    EXPECT_EQ(Listing(folder.path(), "svg").size(), 4u);  // a plain suffix: dsvg too
    EXPECT_EQ(Listing(folder.path(), ""), SystemOrder(folder.path(), ""));
    EXPECT_TRUE(Listing(folder.path(), ".png").empty());
}

TEST(PlatformBridge, EnumFilesOfMissingFolderOrNullArgumentsIsNull) {
    ScratchFolder folder;
    int count = 5;
    EXPECT_EQ(ST_EnumFiles((folder / "missing").c_str(), ".svg", &count), nullptr);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(ST_EnumFiles(nullptr, ".svg", &count), nullptr);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(ST_EnumFiles(folder.path().c_str(), nullptr, &count), nullptr);
    EXPECT_EQ(count, 0);
}
