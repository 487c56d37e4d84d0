// The port a connection opens, chosen from the ports the system lists, and a
// connection attempt on it: at start-up and from the connect button.
// Portable: no Windows header.
#pragma once

#include <string>
#include <vector>

// The ports the system lists, in the order of the port list.
void setPortNames(std::vector<std::string> names);
// True when the saved port index names one of them: a start with a stored
// start moment connects by itself.
bool savedPortListed();
// The name an attempt opens: the listed port of the saved index, which is
// kept, or else the name kept last ("COM100" before any).
const char* choosePortName();

// Opens the named port and sends the first poll; connectButton and the port
// combo stay disabled until the first reply is accepted or the attempt is
// given up. False when the port cannot be opened (nothing has changed then).
bool connectPort(const char* portName);

// The connect button: an attempt on the chosen port, and on failure the
// message naming the port.
void onConnectButton();

// Back to the state at program start: no port listed.
void resetConnection();
