// The thermostat's four frames and their XOR check byte.
//
// Requests: the poll B3 B3 (command word 0xB3B3) and the set command
// 5A F1 lo hi check (command word 0xF15A). Replies: the five-byte status frame
// (measured code, maintained code, check) and the two-byte acknowledgement
// (0x55 0x55 confirms; any other two equal bytes refuse). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "temperature.h"

constexpr std::uint16_t kPollWord = 0xB3B3;
constexpr std::uint16_t kSetWord = 0xF15A;
constexpr std::uint8_t kAckConfirm = 0x55;
constexpr std::size_t kStatusReplyLength = 5;
constexpr std::size_t kAckReplyLength = 2;
constexpr std::size_t kMaxRequestLength = 5;

// XOR of the first n bytes.
std::uint8_t xorCheck(const std::uint8_t* bytes, std::size_t n);

// Builds the request for a command word into frame (5 bytes) and returns its
// length: 2 for the poll, 5 for anything else, which carries target.
std::size_t buildRequest(std::uint16_t command, TemperatureCode target, std::uint8_t* frame);

// Reply length expected after a request with this command word.
std::size_t expectedReplyLength(std::uint16_t command);

// The command word in the first two bytes of a request (little-endian).
std::uint16_t commandWord(const std::uint8_t* frame);

// A reply is accepted when the XOR of all its n bytes is 0.
bool replyAccepted(const std::uint8_t* reply, std::size_t n);

struct StatusReply {
    TemperatureCode measured;
    TemperatureCode maintained;
};
StatusReply decodeStatus(const std::uint8_t* reply);

// Fills a five-byte status frame (the thermostat's side; used by the simulator).
void buildStatus(TemperatureCode measured, TemperatureCode maintained, std::uint8_t* frame);
