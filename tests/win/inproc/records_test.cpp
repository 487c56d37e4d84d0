// What the program hands the system in records of its own making: the serial
// line's device control block and the size of its tooltip records.
#include <gtest/gtest.h>

#include <windows.h>

#include "serial_port.h"
#include "tool_info.h"

namespace {

TEST(LineSettings, TheDeviceControlBlockCarriesTheThermostatsLine) {
    // What a port may report before: another program's line, with flow control.
    DCB control = {};
    control.DCBlength = sizeof control;
    control.BaudRate = 9600;
    control.ByteSize = 7;
    control.Parity = 1;    // odd
    control.StopBits = 2;  // two
    control.fOutxCtsFlow = TRUE;
    control.fOutX = TRUE;
    control.fInX = TRUE;
    configureLine(control);
    // A Linux pseudo-terminal drops parity, so only this block shows it.
    EXPECT_EQ(2400u, control.BaudRate);
    EXPECT_EQ(8, control.ByteSize);
    EXPECT_EQ(2, control.Parity);    // even
    EXPECT_EQ(0, control.StopBits);  // one
    EXPECT_EQ(1u, control.fParity);  // checked
    EXPECT_EQ(1u, control.fBinary);
    EXPECT_EQ(0u, control.fOutxCtsFlow);
    EXPECT_EQ(0u, control.fOutX);
    EXPECT_EQ(0u, control.fInX);
    EXPECT_EQ(sizeof control, control.DCBlength);
}

TEST(ToolTips, ToolsAreAddedWithTheRecordThatEndsWithLParam) {
    // 44 bytes in the 32-bit build (not the version 1 record's 40), 64 in the
    // 64-bit one; Wine drops the text of a record of any other size.
    const UINT expected = sizeof(void*) == 4 ? 44 : 64;
    EXPECT_EQ(expected, toolRecord(nullptr, 50, "").cbSize);
}

}  // namespace
