// Fuzzes what the program does with the bytes that come back from the line:
// any reply of any length, after either request, is accepted exactly when the
// XOR of all its bytes is 0 (written out here from the frame description, not
// from the code), and an accepted status frame decodes to the little-endian
// codes it carries and is built again byte for byte. The requests built for
// any command word and target are checked the same way: a poll is B3 B3, every
// other request five bytes whose XOR is 0, and the reply length expected
// after each is the one the frame table gives. Buffers are exactly sized heap
// blocks, so AddressSanitizer reports any read past them.
#include "link/frames.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint16_t command = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    const std::uint16_t target = static_cast<std::uint16_t>(data[1] | (data[2] << 8));

    std::unique_ptr<std::uint8_t[]> request(new std::uint8_t[kMaxRequestLength]);
    const std::size_t length = buildRequest(command, target, request.get());
    if (command == kPollWord) {
        REQUIRE(length == 2 && request[0] == 0xB3 && request[1] == 0xB3);
    } else {
        REQUIRE(length == 5);
        REQUIRE((request[0] ^ request[1] ^ request[2] ^ request[3] ^ request[4]) == 0);
        REQUIRE((request[2] | (request[3] << 8)) == target);
    }
    REQUIRE(commandWord(request.get()) == command);
    const std::size_t expected = expectedReplyLength(commandWord(request.get()));
    REQUIRE(expected == (command == kPollWord ? kStatusReplyLength : kAckReplyLength));

    // The rest of the input is the reply as the receive thread got it.
    const std::size_t n = size - 3;
    std::unique_ptr<std::uint8_t[]> reply(new std::uint8_t[n > 0 ? n : 1]);
    if (n > 0) std::memcpy(reply.get(), data + 3, n);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum ^= reply[i];
    const bool accepted = replyAccepted(reply.get(), n);
    REQUIRE(accepted == (sum == 0));

    if (n == kStatusReplyLength && accepted) {
        const StatusReply status = decodeStatus(reply.get());
        REQUIRE(status.measured == (reply[0] | (reply[1] << 8)));
        REQUIRE(status.maintained == (reply[2] | (reply[3] << 8)));
        std::unique_ptr<std::uint8_t[]> again(new std::uint8_t[kStatusReplyLength]);
        buildStatus(status.measured, status.maintained, again.get());
        REQUIRE(std::memcmp(again.get(), reply.get(), kStatusReplyLength) == 0);
    }
    return 0;
}
