// The platform layer's file replacement: the tool writes a book beside the old one and puts
// it in its place, on every system, under any name.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "qxplatform-" + name;
}

bool writeText(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fputs(text.c_str(), file);
    return std::fclose(file) == 0;
}

// The file's text, or "(none)" when it cannot be opened.
std::string readText(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "(none)";
    std::string text;
    for (int c; (c = std::getc(file)) != EOF;)
        text += char(c);
    std::fclose(file);
    return text;
}

}  // namespace

TEST(Platform, ReplaceFile) {
    struct Row {
        const char* name;
        std::string target;    // file name, UTF-8
        bool        targetExists, sourceExists, replaced;
    } rows[] = {
        {"over an existing file", "book.dat", true, true, true},
        {"where there is none", "fresh.dat", false, true, true},
        {"under a name in any script", "\u00dcn\u00efc\u00f6d\u00e9-\u8c61\u68cb.dat", true, true, true},
        {"from a file that is not there", "kept.dat", true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string from = tempPath("new.tmp"), to = tempPath(row.target);
        std::remove(from.c_str());
        std::remove(to.c_str());
        if (row.targetExists) {
            ASSERT_TRUE(writeText(to, "old"));
        }
        if (row.sourceExists) {
            ASSERT_TRUE(writeText(from, "new"));
        }
        EXPECT_EQ(replaceFile(from.c_str(), to.c_str()), row.replaced);
        EXPECT_EQ(readText(to), row.replaced ? "new" : row.targetExists ? "old" : "(none)");
        EXPECT_EQ(readText(from), row.sourceExists && !row.replaced ? "new" : "(none)");
        std::remove(to.c_str());
    }
}
