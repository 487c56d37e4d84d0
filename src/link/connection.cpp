// Placeholder until the connection is built.
#include "link/connection.h"

void onConnectButton(HWND) {}
