// The serial port to the thermostat and the receive thread of each exchange.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Opens the port named by the portCombo entry portIndex, sets the line up and
// sends the first poll; arms the reply timer and disables the port controls.
// False when the port cannot be opened (nothing has changed then).
bool openPort(HWND window);

// Sends the first n bytes of the request frame and starts a receive thread
// that reads replyLength bytes and posts ReplyArrived to window.
void sendRequest(HWND window, const std::uint8_t* frame, std::size_t n, std::size_t replyLength);

// The bytes of the last complete reply; read only on ReplyArrived.
const std::uint8_t* replyBytes();

bool portOpen();
void closePort();

// The port's name as last copied for opening ("COM100" until a port is tried).
const char* portName();
