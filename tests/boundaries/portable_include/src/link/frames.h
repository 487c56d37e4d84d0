// A portable header that uses Windows and a program header outside the core:
// the boundary check must fail.
#pragma once

#include <cstdint>
#include <windows.h>

#include "temperature.h"
#include "link/serial_port.h"
