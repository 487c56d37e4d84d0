// A connection attempt on the chosen port: at start-up and from the connect
// button. Portable: no Windows header.
#pragma once

// Opens the named port and sends the first poll; connectButton and the port
// combo stay disabled until the first reply is accepted or the attempt is
// given up. False when the port cannot be opened (nothing has changed then).
bool connectPort(const char* portName);

// The connect button: an attempt, and on failure the message naming the port.
void onConnectButton(const char* portName);
