#include "link/frames.h"

std::uint8_t xorCheck(const std::uint8_t* bytes, std::size_t n) {
    std::uint8_t check = 0;
    for (std::size_t i = 0; i < n; ++i) check ^= bytes[i];
    return check;
}

std::size_t buildRequest(std::uint16_t command, TemperatureCode target, std::uint8_t* frame) {
    frame[0] = static_cast<std::uint8_t>(command & 0xFF);
    frame[1] = static_cast<std::uint8_t>(command >> 8);
    // The poll B3 B3: its second byte is both the command's high byte and the
    // check of the first.
    if (command == kPollWord) return 2;
    frame[2] = static_cast<std::uint8_t>(target & 0xFF);
    frame[3] = static_cast<std::uint8_t>(target >> 8);
    frame[4] = xorCheck(frame, 4);  // for the set word: 0xAB ^ lo ^ hi
    return 5;
}

std::size_t expectedReplyLength(std::uint16_t command) {
    return command == kPollWord ? kStatusReplyLength : kAckReplyLength;
}

std::uint16_t commandWord(const std::uint8_t* frame) {
    return static_cast<std::uint16_t>(frame[0] | (frame[1] << 8));
}

bool replyAccepted(const std::uint8_t* reply, std::size_t n) { return xorCheck(reply, n) == 0; }

StatusReply decodeStatus(const std::uint8_t* reply) {
    return StatusReply{static_cast<TemperatureCode>(reply[0] | (reply[1] << 8)),
                       static_cast<TemperatureCode>(reply[2] | (reply[3] << 8))};
}

void buildStatus(TemperatureCode measured, TemperatureCode maintained, std::uint8_t* frame) {
    frame[0] = static_cast<std::uint8_t>(measured & 0xFF);
    frame[1] = static_cast<std::uint8_t>(measured >> 8);
    frame[2] = static_cast<std::uint8_t>(maintained & 0xFF);
    frame[3] = static_cast<std::uint8_t>(maintained >> 8);
    frame[4] = xorCheck(frame, 4);
}
