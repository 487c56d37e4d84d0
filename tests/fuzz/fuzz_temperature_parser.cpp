// Fuzzes the temperature text rules: parseTemperatureText on any
// text, checked against the grammar of the accepted texts written out
// independently of the parser's walk, and formatTemperature on any value,
// checked against its plain description. Buffers are exactly sized heap blocks,
// so AddressSanitizer reports any read or write past them.
#include "link/temperature.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "require.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Within the first 4 characters (up to the zero): one to four digits; one or
// two digits, a comma and one digit; a minus and one to three digits; a minus,
// one digit, a comma and one digit. Leading zeros allowed; value 2630..3330.
ParsedTemperature grammar(const char* text) {
    char t[5] = {};
    std::size_t n = 0;
    while (n < 4 && text[n] != '\0') {
        t[n] = text[n];
        ++n;
    }
    const bool negative = n > 0 && t[0] == '-';
    const char* body = negative ? t + 1 : t;
    const std::size_t length = negative ? n - 1 : n;
    if (length == 0) return {false, 0};

    long value = 0;
    std::size_t integerDigits = 0;
    while (integerDigits < length && isDigit(body[integerDigits])) {
        value = value * 10 + (body[integerDigits] - '0');
        ++integerDigits;
    }
    if (integerDigits == 0) return {false, 0};
    value *= 10;
    if (integerDigits < length) {
        // The only other form: a comma and exactly one digit after the integer.
        if (integerDigits + 2 != length || body[integerDigits] != ',' || !isDigit(body[integerDigits + 1]))
            return {false, 0};
        value += body[integerDigits + 1] - '0';
    }
    const long code = (negative ? -value : value) + 2730;
    if (code < 2630 || code > 3330) return {false, 0};
    return {true, static_cast<TemperatureCode>(code)};
}

void checkParse(const char* text) {
    const ParsedTemperature got = parseTemperatureText(text);
    const ParsedTemperature want = grammar(text);
    REQUIRE(got.valid == want.valid);
    if (!got.valid) return;
    REQUIRE(got.code == want.code);
    REQUIRE(got.code >= kLowestAcceptedCode && got.code <= kHighestAcceptedCode);
    // An accepted value, shown again, reads back as itself when it fits the field.
    char shown[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(got.code), shown);
    if (std::strlen(shown) <= 4) {
        const ParsedTemperature again = parseTemperatureText(shown);
        REQUIRE(again.valid && again.code == got.code);
    }
}

void checkFormat(std::int16_t tenths) {
    // Exactly kTemperatureTextSize bytes: the longest text and its zero.
    std::unique_ptr<char[]> out(new char[kTemperatureTextSize]);
    formatTemperature(tenths, out.get());
    const std::size_t length = strnlen(out.get(), kTemperatureTextSize);
    REQUIRE(length < static_cast<std::size_t>(kTemperatureTextSize));
    char expected[16];
    const long magnitude = tenths < 0 ? -static_cast<long>(tenths) : tenths;
    std::snprintf(expected, sizeof expected, "%s%ld,%ld", tenths < 0 ? "-" : "", magnitude / 10, magnitude % 10);
    REQUIRE(std::strcmp(out.get(), expected) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as a zero-terminated text (cut at its first zero byte, if any).
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size > 0) std::memcpy(text.get(), data, size);
    text[size] = '\0';
    checkParse(text.get());

    // Four characters with no zero after them: the parser must stop at four.
    if (size >= 4) {
        std::unique_ptr<char[]> four(new char[4]);
        std::memcpy(four.get(), data, 4);
        const ParsedTemperature got = parseTemperatureText(four.get());
        const ParsedTemperature want = parseTemperatureText(text.get());
        REQUIRE(got.valid == want.valid && (!got.valid || got.code == want.code));
    }

    // The first two bytes as a thermostat code, shown as the program shows it.
    if (size >= 2) {
        const auto code = static_cast<TemperatureCode>(data[0] | (data[1] << 8));
        const std::int16_t tenths = tenthsFromCode(code);
        REQUIRE(static_cast<std::uint16_t>(tenths + kZeroCelsiusCode) == code);
        checkFormat(tenths);
    }
    return 0;
}
