// The serial port to the thermostat and the receive thread of each exchange.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Longest port name the device path has room for ("\\.\" and 31 characters).
constexpr std::size_t kMaxPortNameLength = 31;

// Opens the port named by the portCombo entry portIndex, sets the line up and
// sends the first poll; arms the reply timer and disables the port controls.
// False when the port cannot be opened (nothing has changed then).
bool openPort(HWND window);

// Sends the first n bytes of the request frame and starts a receive thread
// that reads replyLength bytes and posts ReplyArrived to window. Sends nothing
// while the port is closed.
void sendRequest(HWND window, const std::uint8_t* frame, std::size_t n, std::size_t replyLength);

// The request last sent (5 bytes; a poll uses the first 2).
const std::uint8_t* requestBytes();

// True when the ReplyArrived being handled belongs to the request last sent,
// and not to one that was superseded or to a port since closed.
bool replyIsCurrent();

// The bytes of the last complete reply and their count; read only on
// ReplyArrived.
const std::uint8_t* replyBytes();
std::size_t replyLength();

bool portOpen();
// Closes the port, after letting a receive thread still reading end, so that
// nothing reads from a closed handle or posts a reply from it.
void closePort();

// The port's name as last copied for opening ("COM100" until a port is tried).
const char* portName();
