// Temperature codes, their text form and the operator's parser.
#include "link/temperature.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string format(int tenths) {
    char out[kTemperatureTextSize + 8];
    std::memset(out, 'Z', sizeof out);
    formatTemperature(static_cast<std::int16_t>(tenths), out);
    return out;
}

std::string formatCode(int code) { return format(tenthsFromCode(static_cast<TemperatureCode>(code))); }

// "valid" with the code, or "invalid".
std::string parse(const char* text) {
    const ParsedTemperature result = parseTemperatureText(text);
    return result.valid ? std::to_string(result.code) : "invalid";
}

TEST(TemperatureCode, TenthsAreCodeMinus2730In16BitsReadAsSigned) {
    EXPECT_EQ(tenthsFromCode(2730), 0);
    EXPECT_EQ(tenthsFromCode(2985), 255);
    EXPECT_EQ(tenthsFromCode(2630), -100);
    EXPECT_EQ(tenthsFromCode(0), -2730);
    EXPECT_EQ(tenthsFromCode(65535), -2731);
    EXPECT_EQ(tenthsFromCode(35497), 32767);   // 0x8AA9
    EXPECT_EQ(tenthsFromCode(35498), -32768);  // 0x8AAA
}

TEST(TemperatureFormat, WorkedExamples) {
    EXPECT_EQ(format(0), "0,0");
    EXPECT_EQ(format(7), "0,7");
    EXPECT_EQ(format(-7), "-0,7");
    EXPECT_EQ(format(9), "0,9");
    EXPECT_EQ(format(10), "1,0");
    EXPECT_EQ(format(-10), "-1,0");
    EXPECT_EQ(format(255), "25,5");
    EXPECT_EQ(format(5), "0,5");
    EXPECT_EQ(format(-5), "-0,5");
    EXPECT_EQ(format(-100), "-10,0");
    EXPECT_EQ(format(600), "60,0");
    EXPECT_EQ(format(-2730), "-273,0");
    EXPECT_EQ(format(200), "20,0");
}

TEST(TemperatureFormat, ThermostatCodesOfAnyValue) {
    EXPECT_EQ(formatCode(0), "-273,0");
    EXPECT_EQ(formatCode(65535), "-273,1");
    EXPECT_EQ(formatCode(2730), "0,0");
    EXPECT_EQ(formatCode(2735), "0,5");
    EXPECT_EQ(formatCode(35497), "3276,7");
    // -32768 tenths has no positive magnitude in 16 bits; the magnitude is
    // taken in a wider type. This is the longest text: 7 characters.
    EXPECT_EQ(formatCode(35498), "-3276,8");
    EXPECT_EQ(format(-32768), "-3276,8");
}

TEST(TemperatureFormat, EveryValueMatchesSignIntegerCommaTenthsAndFitsTheBuffer) {
    for (int tenths = -32768; tenths <= 32767; ++tenths) {
        char expected[32];
        const int magnitude = std::abs(tenths);
        std::snprintf(expected, sizeof expected, "%s%d,%d", tenths < 0 ? "-" : "", magnitude / 10, magnitude % 10);
        char out[64];
        std::memset(out, 'Z', sizeof out);
        formatTemperature(static_cast<std::int16_t>(tenths), out);
        ASSERT_STREQ(out, expected) << tenths;
        // Nothing written past the terminating zero, and that within the size.
        ASSERT_LT(std::strlen(out), static_cast<std::size_t>(kTemperatureTextSize));
        ASSERT_EQ(out[std::strlen(out) + 1], 'Z') << tenths;
    }
}

TEST(TemperatureParse, WorkedTable) {
    EXPECT_EQ(parse("25"), "2980");
    EXPECT_EQ(parse("25,5"), "2985");
    EXPECT_EQ(parse("-5"), "2680");
    EXPECT_EQ(parse("0,5"), "2735");
    EXPECT_EQ(parse("-0,5"), "2725");
    EXPECT_EQ(parse("0"), "2730");
    EXPECT_EQ(parse("00"), "2730");
    EXPECT_EQ(parse("007"), "2800");
    EXPECT_EQ(parse("-10"), "2630");
    EXPECT_EQ(parse("60"), "3330");
    EXPECT_EQ(parse("60,0"), "3330");
    EXPECT_EQ(parse("60,1"), "invalid");
    EXPECT_EQ(parse("-11"), "invalid");
    EXPECT_EQ(parse("61"), "invalid");
    EXPECT_EQ(parse(",5"), "invalid");
    EXPECT_EQ(parse("5,"), "invalid");
    EXPECT_EQ(parse("25,"), "invalid");
    EXPECT_EQ(parse("2,55"), "invalid");
    EXPECT_EQ(parse("-"), "invalid");
    EXPECT_EQ(parse(""), "invalid");
    EXPECT_EQ(parse("6550"), "invalid");
    EXPECT_EQ(parse("1,-"), "invalid");
}

TEST(TemperatureParse, EdgeCases) {
    // What the program itself shows for -10,0 degC is read as "-10," and fails.
    EXPECT_EQ(parse("-10,0"), "invalid");
    EXPECT_EQ(parse("-10,"), "invalid");
    EXPECT_EQ(parse("00,5"), "2735");
    EXPECT_EQ(parse("-9,9"), "2631");
    EXPECT_EQ(parse("-0"), "2730");
    EXPECT_EQ(parse("-000"), "2730");
    EXPECT_EQ(parse("0060"), "3330");
    EXPECT_EQ(parse("0061"), "invalid");
    EXPECT_EQ(parse("9999"), "invalid");   // 99990 + 2730, not wrapped into range
    EXPECT_EQ(parse("6553"), "invalid");
    EXPECT_EQ(parse("-999"), "invalid");
    EXPECT_EQ(parse("--5"), "invalid");
    EXPECT_EQ(parse("5-"), "invalid");
    EXPECT_EQ(parse("2 5"), "invalid");
    EXPECT_EQ(parse(" 25"), "invalid");
    EXPECT_EQ(parse("25 "), "invalid");
    EXPECT_EQ(parse("2.5"), "invalid");   // the comma is the only separator
    EXPECT_EQ(parse("1,,5"), "invalid");
    EXPECT_EQ(parse("1,,"), "invalid");
    EXPECT_EQ(parse(",,5"), "invalid");
    EXPECT_EQ(parse("-,5"), "invalid");
    EXPECT_EQ(parse("-5,"), "invalid");
    EXPECT_EQ(parse("a"), "invalid");
    EXPECT_EQ(parse(nullptr), "invalid");
    // Only the first four characters count, whatever follows.
    EXPECT_EQ(parse("25,5junk"), "2985");
    EXPECT_EQ(parse("007x"), "invalid");
    EXPECT_EQ(parse("0070"), "invalid");  // 70,0 degC
    EXPECT_EQ(parse("2500"), "invalid");
    EXPECT_EQ(parse("25005"), "invalid");
    EXPECT_EQ(parse("0025,5"), "2980");  // "0025" = 25,0; the rest is not read
}

TEST(TemperatureParse, FormattedTextOfFourOrFewerCharactersReadsBackItsCode) {
    int readBack = 0;
    for (int code = kLowestAcceptedCode; code <= kHighestAcceptedCode; ++code) {
        const std::string text = formatCode(code);
        const ParsedTemperature result = parseTemperatureText(text.c_str());
        if (text.size() <= 4) {
            ASSERT_TRUE(result.valid) << text;
            ASSERT_EQ(result.code, code) << text;
            ++readBack;
        } else {
            // In the accepted range only -10,0 degC has a 5-character text.
            ASSERT_EQ(text, "-10,0");
            ASSERT_FALSE(result.valid);
        }
    }
    EXPECT_EQ(readBack, 700);
}

// The grammar of the accepted texts, written independently of the walk: within
// 4 characters, one to four digits; one or two digits, a comma and one digit;
// a minus and one to three digits; a minus, one digit, a comma and one digit.
// The value must lie in 2630..3330.
ParsedTemperature reference(const std::string& whole) {
    const std::string text = whole.substr(0, std::min<std::size_t>(whole.size(), 4));
    auto digits = [](const std::string& s) {
        if (s.empty()) return false;
        for (char c : s)
            if (c < '0' || c > '9') return false;
        return true;
    };
    bool negative = false;
    std::string body = text;
    if (!body.empty() && body[0] == '-') {
        negative = true;
        body = body.substr(1);
    }
    long value;
    const auto comma = body.find(',');
    if (comma == std::string::npos) {
        if (!digits(body)) return {false, 0};
        value = std::stol(body) * 10;
    } else {
        const std::string integer = body.substr(0, comma), tenths = body.substr(comma + 1);
        if (!digits(integer) || !digits(tenths) || tenths.size() != 1) return {false, 0};
        value = std::stol(integer) * 10 + (tenths[0] - '0');
    }
    const long code = (negative ? -value : value) + 2730;
    if (code < 2630 || code > 3330) return {false, 0};
    return {true, static_cast<TemperatureCode>(code)};
}

TEST(TemperatureParse, AgreesWithTheGrammarOnEveryShortText) {
    const char alphabet[] = {'0', '1', '2', '5', '6', '9', ',', '-', 'x', ' '};
    const int n = sizeof alphabet;
    int accepted = 0, total = 0;
    // Every text of 0 to 5 characters over the alphabet.
    for (int length = 0; length <= 5; ++length) {
        int combinations = 1;
        for (int i = 0; i < length; ++i) combinations *= n;
        for (int k = 0; k < combinations; ++k) {
            std::string text;
            for (int i = 0, rest = k; i < length; ++i, rest /= n) text += alphabet[rest % n];
            const ParsedTemperature got = parseTemperatureText(text.c_str());
            const ParsedTemperature want = reference(text);
            ++total;
            ASSERT_EQ(got.valid, want.valid) << '"' << text << '"';
            if (want.valid) {
                ASSERT_EQ(got.code, want.code) << '"' << text << '"';
                ++accepted;
            }
        }
    }
    EXPECT_GT(accepted, 100);
    EXPECT_EQ(total, 1 + 10 + 100 + 1000 + 10000 + 100000);
}

TEST(TemperatureParse, ReadsNoFurtherThanTheZeroOrTheFourthCharacter) {
    // Exactly sized heap copies: ASan reports any read past them.
    const char* texts[] = {"", "-", "5", "25", "-10", "25,5"};
    for (const char* text : texts) {
        const std::size_t size = std::strlen(text) + 1;
        char* copy = static_cast<char*>(std::malloc(size));
        std::memcpy(copy, text, size);
        (void)parseTemperatureText(copy);
        std::free(copy);
    }
    // Four characters without a zero after them: only those four are read.
    char* four = static_cast<char*>(std::malloc(4));
    std::memcpy(four, "60,0", 4);
    const ParsedTemperature result = parseTemperatureText(four);
    std::free(four);
    EXPECT_TRUE(result.valid);
    EXPECT_EQ(result.code, 3330);
}

}  // namespace
