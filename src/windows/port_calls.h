// The two system calls of a request whose order matters: the write, and the
// start of the thread that reads the reply. They live apart so that the tests
// can link their own, which watch the order and hold a reader back.
#pragma once

#include <windows.h>

// WriteFile of n bytes on the synchronous port handle.
BOOL writeToPort(HANDLE port, const void* bytes, DWORD n);
// CreateThread with the default stack, running at once; the caller owns the
// returned handle (null on failure).
HANDLE startReceiveThread(LPTHREAD_START_ROUTINE procedure, void* parameter);
