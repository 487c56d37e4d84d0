// The program's texts reach the A functions as code page 1251 bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "journal/journal_format.h"
#include "startup.h"
#include "text_code.h"

TEST(Text, WindowTitleIsStoredInCodePage1251) {
    // "Управление термостатом КРМ-Д" in Windows-1251.
    const unsigned char expected[] = {0xD3, 0xEF, 0xF0, 0xE0, 0xE2, 0xEB, 0xE5, 0xED, 0xE8, 0xE5, 0x20, 0xF2,
                                      0xE5, 0xF0, 0xEC, 0xEE, 0xF1, 0xF2, 0xE0, 0xF2, 0xEE, 0xEC, 0x20, 0xCA,
                                      0xD0, 0xCC, 0x2D, 0xC4, 0x00};
    ASSERT_EQ(std::strlen(kMainWindowTitle) + 1, sizeof expected);
    EXPECT_EQ(0, std::memcmp(kMainWindowTitle, expected, sizeof expected));
}

// The journal's lines leave the program as UTF-8 and come back as 1251,
// the journal's header with its "°" among them.
TEST(Text, JournalTextsGoToUtf8AndBack) {
    const std::string header = journalHeader();
    const std::string utf8 = programToUtf8(header.data(), header.size());
    // "Время" in UTF-8 begins the file's header line, "°C" is C2 B0 43.
    EXPECT_EQ(utf8.rfind("\xD0\x92\xD1\x80\xD0\xB5\xD0\xBC\xD1\x8F;UTC;", 0), 0u) << utf8;
    EXPECT_NE(utf8.find("\xC2\xB0" "C"), std::string::npos);
    EXPECT_EQ(utf8ToProgram(utf8.data(), utf8.size()), header);
    // A character that 1251 has no place for does not break the rest.
    const std::string mixed = "\xE4\xB8\xAD" "25,0";  // a CJK character, then ASCII
    EXPECT_EQ(utf8ToProgram(mixed.data(), mixed.size()).substr(1), "25,0");
}
