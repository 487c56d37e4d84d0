// Fuzzes the readers of the two-digit fields and the stage-input fields:
// parseTwoDigits with any bytes and any length, against its contract written
// out here (an empty field 0, a non-digit counts as 0, at most two characters
// read); twoDigitNumber and the text a field gets when it is left, which must
// fit its buffer and read back as the same number; and the stage the three
// stage-input fields describe, which is taken exactly when the flags that
// enable "Добавить этап" are clear and then always lies in the ranges the
// settings loader keeps. Texts are exactly sized heap blocks.
#include "program/clock_stamp.h"
#include "program/input_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "require.h"

namespace {

int digit(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

int contract(const char* text, int length) {
    if (!text || length <= 0) return 0;
    if (length == 1) return digit(text[0]);
    return 10 * digit(text[0]) + digit(text[1]);
}

std::unique_ptr<char[]> textOf(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size > 0) std::memcpy(text.get(), data, size);
    text[size] = '\0';
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte: the length handed to parseTwoDigits (-3..4, not past
    // the bytes given) and the field; the rest: up to three texts split at 0.
    const int length = static_cast<int>(data[0] % 8) - 3;
    const auto field = static_cast<TwoDigitField>((data[0] >> 3) % 7);
    const std::uint8_t* rest = data + 1;
    const std::size_t restSize = size - 1;

    if (length <= static_cast<int>(restSize)) {
        std::unique_ptr<char[]> raw(new char[restSize > 0 ? restSize : 1]);
        if (restSize > 0) std::memcpy(raw.get(), rest, restSize);
        const int got = parseTwoDigits(restSize > 0 ? raw.get() : nullptr, length);
        REQUIRE(got == contract(restSize > 0 ? raw.get() : nullptr, length));
        REQUIRE(got >= 0 && got <= 99);
    }

    const char* texts[3] = {"", "", ""};
    std::unique_ptr<char[]> owned[3];
    std::size_t start = 0;
    for (int k = 0; k < 3 && start <= restSize; ++k) {
        std::size_t end = start;
        while (end < restSize && rest[end] != 0) ++end;
        owned[k] = textOf(rest + start, end - start);
        texts[k] = owned[k].get();
        start = end + 1;
    }

    const int number = twoDigitNumber(texts[0]);
    REQUIRE(number == contract(texts[0], static_cast<int>(std::strlen(texts[0]) < 2 ? std::strlen(texts[0]) : 2)));
    std::unique_ptr<char[]> left(new char[kStampTextSize]);
    reformattedText(field, texts[0], left.get());
    REQUIRE(strnlen(left.get(), kStampTextSize) < static_cast<std::size_t>(kStampTextSize));
    if (field != TwoDigitField::holdHours) REQUIRE(std::strlen(left.get()) == 2);
    REQUIRE(twoDigitNumber(left.get()) == number);

    StageEntry stage{};
    const bool taken = stageFromInput(texts[0], texts[1], texts[2], stage);
    REQUIRE(taken == (stageInputFlagsFor(texts[0], texts[1], texts[2]) == 0));
    if (taken) {
        REQUIRE(stage.temperatureCode >= kLowestAcceptedCode && stage.temperatureCode <= kHighestAcceptedCode);
        REQUIRE(stage.holdMinutes <= 59 && stage.holdHours <= 99);
        REQUIRE(stage.holdMinutes + stage.holdHours > 0);
        REQUIRE(stage.holdHours == twoDigitNumber(texts[1]) && stage.holdMinutes == twoDigitNumber(texts[2]));
    }
    return 0;
}
