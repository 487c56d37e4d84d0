#include "link/temperature.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int16_t tenthsFromCode(TemperatureCode code) {
    // The subtraction wraps in 16 bits and the result is read as signed (a
    // modular conversion in C++20): code 0 gives -2730, 65535 gives -2731.
    const auto difference = static_cast<std::uint16_t>(code - kZeroCelsiusCode);
    return static_cast<std::int16_t>(difference);
}

void formatTemperature(std::int16_t tenths, char* out) {
    // The magnitude is taken in a wider type, so that -32768 (code 35498), which
    // has no positive counterpart in 16 bits, is written "-3276,8".
    std::int32_t magnitude = tenths;
    char* at = out;
    if (magnitude < 0) {
        *at++ = '-';
        magnitude = -magnitude;
    }
    if (magnitude <= 9) *at++ = '0';

    // Digits in reverse, then copied in order; at most 5 (32768).
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count > 1) *at++ = digits[--count];
    // The comma goes before the last digit written.
    *at++ = ',';
    *at++ = digits[0];
    *at = '\0';
}

ParsedTemperature parseTemperatureText(const char* text) {
    constexpr ParsedTemperature invalid{false, 0};
    if (text == nullptr) return invalid;

    // Only the first 4 characters count: the fields hold 4, and the program reads
    // them back through a 5-byte buffer.
    int length = 0;
    while (length < 4 && text[length] != '\0') ++length;
    if (length == 0) return invalid;

    const bool negative = text[0] == '-';
    const char* body = negative ? text + 1 : text;
    const int bodyLength = negative ? length - 1 : length;
    if (bodyLength == 0) return invalid;  // a lone "-"

    std::int32_t accumulator = 0;
    for (int i = 0; i < bodyLength; ++i) {
        const char c = body[i];
        if (isDigit(c)) {
            accumulator = (accumulator + (c - '0')) * 10;
        } else if (c == ',') {
            // Valid only as the second-to-last character of a body of at least 3,
            // followed by one digit. A non-digit before it has already failed the
            // walk, so a comma that passes here always has a digit before it.
            if (bodyLength < 3 || i != bodyLength - 2 || !isDigit(body[bodyLength - 1])) return invalid;
            accumulator += body[bodyLength - 1] - '0';
            break;
        } else {
            return invalid;  // a second "-", a letter, a blank
        }
    }

    if (negative) accumulator = -accumulator;
    const std::int32_t code = accumulator + kZeroCelsiusCode;
    // Range checked on the full value: "6550" is out of range, not wrapped.
    if (code < kLowestAcceptedCode || code > kHighestAcceptedCode) return invalid;
    return ParsedTemperature{true, static_cast<TemperatureCode>(code)};
}
