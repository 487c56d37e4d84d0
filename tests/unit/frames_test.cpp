// The thermostat's frames and the check byte.
#include "link/frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> request(std::uint16_t command, TemperatureCode target) {
    std::uint8_t frame[kMaxRequestLength + 3];
    std::memset(frame, 0xEE, sizeof frame);
    const std::size_t length = buildRequest(command, target, frame);
    for (std::size_t i = length; i < sizeof frame; ++i) EXPECT_EQ(frame[i], 0xEE) << "byte " << i << " written";
    return std::vector<std::uint8_t>(frame, frame + length);
}

using Bytes = std::vector<std::uint8_t>;

TEST(Frames, PollIsB3B3) {
    EXPECT_EQ(request(kPollWord, 0), (Bytes{0xB3, 0xB3}));
    EXPECT_EQ(request(kPollWord, 2985), (Bytes{0xB3, 0xB3}));  // the target is not sent
}

TEST(Frames, SetCommandWorkedFrames) {
    EXPECT_EQ(request(kSetWord, 2985), (Bytes{0x5A, 0xF1, 0xA9, 0x0B, 0x09}));  // 25,5 degC
    EXPECT_EQ(request(kSetWord, 2630), (Bytes{0x5A, 0xF1, 0x46, 0x0A, 0xE7}));  // -10,0 degC
    // The check of a set frame is 0xAB ^ lo ^ hi.
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
        std::uint8_t frame[kMaxRequestLength];
        ASSERT_EQ(buildRequest(kSetWord, static_cast<TemperatureCode>(code), frame), 5u);
        ASSERT_EQ(frame[4], 0xAB ^ (code & 0xFF) ^ (code >> 8));
        ASSERT_TRUE(replyAccepted(frame, 5));
    }
}

TEST(Frames, AnyOtherWordCarriesTheTargetAndTheCheck) {
    EXPECT_EQ(request(0x1234, 0xBEEF), (Bytes{0x34, 0x12, 0xEF, 0xBE, 0x34 ^ 0x12 ^ 0xEF ^ 0xBE}));
    EXPECT_EQ(request(0x0000, 0x0000), (Bytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(request(0xB3B4, 0x0102), (Bytes{0xB4, 0xB3, 0x02, 0x01, 0xB4 ^ 0xB3 ^ 0x02 ^ 0x01}));
}

TEST(Frames, CommandWordIsLittleEndian) {
    const std::uint8_t poll[] = {0xB3, 0xB3};
    const std::uint8_t set[] = {0x5A, 0xF1, 0, 0, 0};
    EXPECT_EQ(commandWord(poll), kPollWord);
    EXPECT_EQ(commandWord(set), kSetWord);
    for (unsigned word : {0x0000u, 0x00FFu, 0xFF00u, 0xB3B3u, 0xF15Au, 0xFFFFu}) {
        std::uint8_t frame[kMaxRequestLength];
        buildRequest(static_cast<std::uint16_t>(word), 2980, frame);
        EXPECT_EQ(commandWord(frame), word);
    }
}

TEST(Frames, ExpectedReplyLength) {
    EXPECT_EQ(expectedReplyLength(kPollWord), 5u);
    EXPECT_EQ(expectedReplyLength(kSetWord), 2u);
    EXPECT_EQ(expectedReplyLength(0x0000), 2u);
    EXPECT_EQ(expectedReplyLength(0xB3B4), 2u);
}

TEST(Frames, StatusReplyWorkedFrame) {
    const std::uint8_t reply[] = {0xA4, 0x0B, 0xA9, 0x0B, 0x0D};
    EXPECT_TRUE(replyAccepted(reply, 5));
    const StatusReply status = decodeStatus(reply);
    EXPECT_EQ(status.measured, 2980);    // 25,0 degC
    EXPECT_EQ(status.maintained, 2985);  // 25,5 degC

    std::uint8_t built[5];
    buildStatus(2980, 2985, built);
    EXPECT_EQ(0, std::memcmp(built, reply, 5));
}

TEST(Frames, StatusRoundTripForAnyCodes) {
    for (unsigned measured : {0u, 1u, 255u, 256u, 2730u, 35498u, 65535u})
        for (unsigned maintained : {0u, 2630u, 3330u, 0x8000u, 65535u}) {
            std::uint8_t frame[5];
            buildStatus(static_cast<TemperatureCode>(measured), static_cast<TemperatureCode>(maintained), frame);
            EXPECT_TRUE(replyAccepted(frame, 5));
            const StatusReply status = decodeStatus(frame);
            EXPECT_EQ(status.measured, measured);
            EXPECT_EQ(status.maintained, maintained);
        }
}

TEST(Frames, ReplyCheck) {
    const std::uint8_t confirm[] = {0x55, 0x55};
    const std::uint8_t zeros[] = {0x00, 0x00};   // passes, taken as a refusal
    const std::uint8_t broken[] = {0x55, 0x54};  // fails, ignored
    const std::uint8_t refuse[] = {0x17, 0x17};
    EXPECT_TRUE(replyAccepted(confirm, 2));
    EXPECT_TRUE(replyAccepted(zeros, 2));
    EXPECT_FALSE(replyAccepted(broken, 2));
    EXPECT_TRUE(replyAccepted(refuse, 2));
    EXPECT_EQ(confirm[0], kAckConfirm);

    std::uint8_t status[] = {0xA4, 0x0B, 0xA9, 0x0B, 0x0D};
    for (int i = 0; i < 5; ++i)
        for (int bit = 0; bit < 8; ++bit) {
            status[i] ^= static_cast<std::uint8_t>(1 << bit);
            EXPECT_FALSE(replyAccepted(status, 5)) << i << "/" << bit;
            status[i] ^= static_cast<std::uint8_t>(1 << bit);
        }
    EXPECT_TRUE(replyAccepted(status, 5));
}

TEST(Frames, XorCheck) {
    const std::uint8_t bytes[] = {0x5A, 0xF1, 0xA9, 0x0B};
    EXPECT_EQ(xorCheck(bytes, 0), 0);
    EXPECT_EQ(xorCheck(bytes, 1), 0x5A);
    EXPECT_EQ(xorCheck(bytes, 2), 0xAB);
    EXPECT_EQ(xorCheck(bytes, 4), 0x09);
}

}  // namespace
