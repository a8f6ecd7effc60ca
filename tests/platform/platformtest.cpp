// The platform layer's file replacement: the tool writes a book beside the old one and puts
// it in its place, on every system, under any name. And its tables, whose pages may be
// changed under the search for large ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// A search writes every 2 MB stretch of a fresh table at once, before the helper gets there,
// and goes on writing while large pages are put in their place: not a word may be lost or
// appear from nowhere.
TEST(Platform, TableKeepsItsWordsWhileLargePagesComeIn) {
    const uint64_t bytes = uint64_t(32) << 20;
    const uint64_t words = bytes / sizeof(uint64_t);
    auto* table = static_cast<uint64_t*>(allocateTable(bytes));
    ASSERT_NE(table, nullptr);
#ifndef _WIN32
    EXPECT_EQ(reinterpret_cast<uintptr_t>(table) % (uint64_t(2) << 20), 0u);
#endif
    auto valueAt = [](uint64_t index) { return index * 0x9E3779B97F4A7C15ull | 1; };
    std::vector<uint64_t> written;
    uint64_t seed = 12345;
    auto writeSome = [&](int count) {
        for (int i = 0; i < count; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            const uint64_t index = (seed >> 20) % words;
            table[index] = valueAt(index);
            written.push_back(index);
        }
    };
    writeSome(20000);
    for (int round = 0; round < 5000 && adoptTablePages(); ++round) {
        writeSome(200);
        sleepMs(1);
    }
    awaitTablePages();
    writeSome(1000);
    for (uint64_t index : written)
        ASSERT_EQ(table[index], valueAt(index)) << "word " << index;
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    uint64_t nonZero = 0;
    for (uint64_t i = 0; i < words; ++i)
        nonZero += table[i] != 0;
    EXPECT_EQ(nonZero, written.size());
    freeTable(table, bytes);
}
