// The serial port to the thermostat and the receive thread of each exchange.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Posted by the receive thread to the window given to openPort when a whole
// reply is in the reply buffer; wParam and lParam are 0.
constexpr UINT ReplyArrived = WM_USER + 100;

// Longest port name the device path has room for ("\\.\" and 31 characters).
constexpr std::size_t kMaxPortNameLength = 31;

// Puts the thermostat's line settings into a device control block read from
// the port: 2400 baud, 8 data bits, even parity with checking on, one stop
// bit, binary, no flow control.
void configureLine(DCB& control);

// Opens the port of this name ("COM3"), sets its line and time-outs, and
// keeps window as the one that replies are posted to. False when the name is
// empty or longer than kMaxPortNameLength, or the system refuses to open it.
// An open port is closed first.
bool openPort(const char* name, HWND window);

// Sends the first n bytes of the request frame and then starts a receive
// thread that reads replyLength bytes and posts ReplyArrived. Sends nothing
// while the port is closed, or while the previous request's reader has not
// ended (the reply time-out then acts as for a lost reply).
void sendRequest(const std::uint8_t* frame, std::size_t n, std::size_t replyLength);

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

// Back to the state at program start: no port, no request.
void resetPort();
