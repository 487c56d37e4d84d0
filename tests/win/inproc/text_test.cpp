// The program's texts reach the A functions as code page 1251 bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "startup.h"

TEST(Text, WindowTitleIsStoredInCodePage1251) {
    // "Управление термостатом КРМ-Д" in Windows-1251.
    const unsigned char expected[] = {0xD3, 0xEF, 0xF0, 0xE0, 0xE2, 0xEB, 0xE5, 0xED, 0xE8, 0xE5, 0x20, 0xF2,
                                      0xE5, 0xF0, 0xEC, 0xEE, 0xF1, 0xF2, 0xE0, 0xF2, 0xEE, 0xEC, 0x20, 0xCA,
                                      0xD0, 0xCC, 0x2D, 0xC4, 0x00};
    ASSERT_EQ(std::strlen(kMainWindowTitle) + 1, sizeof expected);
    EXPECT_EQ(0, std::memcmp(kMainWindowTitle, expected, sizeof expected));
}
