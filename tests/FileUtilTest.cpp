// File and text utilities: conversions, whole-file reading and writing, folders, path names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "TestFolders.h"
#include "platform/FileUtil.h"
#include "platform/TextConversion.h"

namespace {

std::u16string Wide(const std::string& path) {
    return Utf8ToUtf16(path);
}

}  // namespace

TEST(TextConversion, ConvertsAndFoldsThroughTheBridge) {
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    EXPECT_EQ(Utf8ToUtf16(std::string("ab\0cd", 5)), u"ab");
    const std::string name = "\xE9\x80\x9F\xE3\x81\x84-\xF0\x9F\x98\x80";  // CJK, kana, emoji
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(name)), name);
    EXPECT_EQ(ToLowerCase(u"ABC"), u"abc");
    EXPECT_EQ(ToLowerCase(u"\u00DF"), u"ss");
    EXPECT_EQ(ToLowerCase(u""), u"");
}

TEST(FileUtil, ReadAllTextReturnsTheBytesUnchanged) {
    ScratchFolder folder;
    const std::string bytes("line\r\nnul\0byte\r\n", 16);
    folder.Write("crlf.txt", bytes);
    EXPECT_EQ(ReadAllText(folder / "crlf.txt"), bytes);
    EXPECT_EQ(ReadAllText(Wide(folder / "crlf.txt")), bytes);

    folder.Write("empty.txt", "");
    EXPECT_EQ(ReadAllText(folder / "empty.txt"), "");
    EXPECT_EQ(ReadAllText(folder / "missing.txt"), "");
}

TEST(FileUtil, ReadAllTextOfNonRegularFilesIsEmptyWithoutBlocking) {
    ScratchFolder folder;
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadAllText(folder / "fifo"), "");  // a blocking open would hang here
    EXPECT_EQ(ReadAllText(folder.path()), "");
    EXPECT_EQ(ReadAllText(std::string("/dev/zero")), "");
}

TEST(FileUtil, WriteAllTextCreatesOrReplacesTheFileButNoFolder) {
    ScratchFolder folder;
    const std::string path = folder / "out.txt";
    EXPECT_TRUE(WriteAllText(Wide(path), "a longer first text\r\n"));
    EXPECT_TRUE(WriteAllText(Wide(path), std::string("x\0y", 3)));
    EXPECT_EQ(ReadFileBytes(path), std::string("x\0y", 3));
    EXPECT_FALSE(WriteAllText(Wide(folder / "missing/out.txt"), "x"));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_FALSE(WriteAllText(u"", "x"));
}

TEST(FileUtil, WriteAllTextReportsAFailureThatShowsOnlyAtFlush) {
    // The device accepts the open and the buffered write, and fails when the data is flushed.
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    EXPECT_FALSE(WriteAllText(u"/dev/full", "lost"));
}

TEST(FileUtil, FileExistsOnlyForRegularFilesFollowingLinks) {
    ScratchFolder folder;
    folder.Write("file", "x");
    std::filesystem::create_symlink(folder / "file", folder / "link");
    std::filesystem::create_symlink(folder / "gone", folder / "dangling");
    EXPECT_TRUE(FileExists(Wide(folder / "file")));
    EXPECT_TRUE(FileExists(Wide(folder / "link")));
    EXPECT_FALSE(FileExists(Wide(folder / "dangling")));
    EXPECT_FALSE(FileExists(Wide(folder.path())));
    EXPECT_FALSE(FileExists(Wide(folder / "missing")));
    EXPECT_FALSE(FileExists(u""));
}

TEST(FileUtil, CreateDataDirectory) {
    ScratchFolder folder;
    EXPECT_FALSE(CreateDataDirectory(u""));
    EXPECT_TRUE(CreateDataDirectory(Wide(folder / "x/y")));
    EXPECT_TRUE(CreateDataDirectory(Wide(folder / "x/y")));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "x/y"));
}

TEST(FileUtil, EnumFilesIgnoresCaseOfTheExtension) {
    ScratchFolder folder;
    folder.Write("x.svg", "");
    folder.Write("Y.Svg", "");
    folder.Write("z.txt", "");
    std::vector<std::u16string> paths = EnumFiles(Wide(folder.path()), u".SVG");
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::u16string>{Wide(folder / "Y.Svg"), Wide(folder / "x.svg")}));
    EXPECT_TRUE(EnumFiles(Wide(folder / "missing"), u".svg").empty());
}

TEST(FileUtil, HasExtensionComparesAsciiLettersWithoutCase) {
    struct Case {
        std::u16string path;
        std::u16string extension;
        bool expected;
    };
    const Case cases[] = {
        {u"a.SVG", u".svg", true},
        {u"a.svg", u"", true},
        {u"vg", u".svg", false},
        {u"a.svg", u"svg", true},
        {u"asvg", u"svg", true},
        {u"a.svh", u".svg", false},
        // Units above 255 are compared as they are, never passed to a byte-table lookup.
        {u"a.\uFF33VG", u".svg", false},
        {u"a.\u0130", u".i", false},
        {u"a.\u00C9", u".\u00C9", true},
        {u"a.\u00C9", u".\u00E9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasExtension(c.path, c.extension), c.expected)
            << Utf16ToUtf8(c.path) << " / " << Utf16ToUtf8(c.extension);
    }
}

TEST(FileUtil, GetFileNameWithoutExt) {
    struct Case {
        std::u16string path;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"dir/file.tar.gz", u"file.tar"}, {u"C:\\x\\name.ini", u"name"},
        {u"dir/.hidden", u".hidden"},      {u"noext", u"noext"},
        {u"a.b/noext", u"noext"},          {u"dir/", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFileNameWithoutExt(c.path), c.expected) << Utf16ToUtf8(c.path);
    }
}
