// Framing of requests out of the byte stream.
#include <gtest/gtest.h>

#include "thermostat.h"

namespace {

using Kind = RequestReader::Event::Kind;

std::vector<RequestReader::Event> feed(RequestReader& reader, const Bytes& bytes, double now = 0)
{
    std::vector<RequestReader::Event> events;
    reader.feed(bytes.data(), bytes.size(), now, events);
    return events;
}

TEST(RequestReader, RecognisesPollAndTheWorkedSetCommands)
{
    RequestReader reader;
    auto events = feed(reader, {0xB3, 0xB3, 0x5A, 0xF1, 0xA9, 0x0B, 0x09, 0x5A, 0xF1, 0x46, 0x0A, 0xE7});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, Kind::poll);
    EXPECT_EQ(events[1].kind, Kind::set);
    EXPECT_EQ(events[1].bytes, (Bytes{0x5A, 0xF1, 0xA9, 0x0B, 0x09}));
    EXPECT_EQ(events[2].kind, Kind::set);
    EXPECT_EQ(events[2].bytes, (Bytes{0x5A, 0xF1, 0x46, 0x0A, 0xE7}));
}

TEST(RequestReader, AssemblesFramesSplitAcrossReads)
{
    RequestReader reader;
    EXPECT_TRUE(feed(reader, {0x5A, 0xF1}).empty());
    EXPECT_TRUE(feed(reader, {0xA9}, 0.01).empty());
    auto events = feed(reader, {0x0B, 0x09, 0xB3}, 0.02);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::set);
    events = feed(reader, {0xB3}, 0.03);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::poll);
}

TEST(RequestReader, DropsJunkAndResynchronises)
{
    RequestReader reader;
    // Junk, a lone B3, a 5A that is not followed by F1, then a poll.
    auto events = feed(reader, {0x00, 0x17, 0xB3, 0x42, 0x5A, 0xB3, 0xB3});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::junk);
    EXPECT_EQ(events[0].bytes, (Bytes{0x00, 0x17, 0xB3, 0x42, 0x5A}));
    EXPECT_EQ(events[1].kind, Kind::poll);

    // 5A 5A F1 ...: the second 5A starts the frame.
    events = feed(reader, {0x5A, 0x5A, 0xF1, 0xA9, 0x0B, 0x09});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].bytes, (Bytes{0x5A}));
    EXPECT_EQ(events[1].kind, Kind::set);
}

TEST(RequestReader, EveryByteIsReportedOnceInOrder)
{
    RequestReader reader;
    const Bytes wire{0x11, 0xB3, 0xB3, 0xB3, 0x5A, 0xF1, 0x01, 0x02, 0x03, 0xFF, 0xB3, 0xB3};
    Bytes seen;
    for (std::uint8_t byte : wire)
        for (const auto& event : feed(reader, {byte}))
            seen.insert(seen.end(), event.bytes.begin(), event.bytes.end());
    EXPECT_EQ(seen, wire);
}

TEST(RequestReader, SetCommandWithBadCheckIsReportedWhole)
{
    RequestReader reader;
    auto events = feed(reader, {0x5A, 0xF1, 0xA9, 0x0B, 0x08, 0xB3, 0xB3});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::badCheck);
    EXPECT_EQ(events[0].bytes.size(), 5u);
    EXPECT_EQ(events[1].kind, Kind::poll);
}

TEST(RequestReader, AbandonsAnUnfinishedFrameAfterAPause)
{
    RequestReader reader;
    EXPECT_TRUE(feed(reader, {0x5A, 0xF1, 0xA9}, 10.0).empty());
    auto events = feed(reader, {0xB3, 0xB3}, 10.0 + RequestReader::kFrameGapSeconds + 0.5);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::incomplete);
    EXPECT_EQ(events[0].bytes, (Bytes{0x5A, 0xF1, 0xA9}));
    EXPECT_EQ(events[1].kind, Kind::poll);
}

}  // namespace
