// The link's write and reader start as this test program sees them: it links
// its own writeToPort and startReceiveThread, which log their order and can
// hold a reader back before it reads.
#pragma once

#include <string>

// 'W' for each write that returned, 'T' for each receive thread started, in
// the order they happened since the last clear.
std::string portCalls();
void clearPortCalls();

// While held, receive threads start but wait before they read; releasing lets
// every waiting one go on.
void holdReaders();
void releaseReaders();
