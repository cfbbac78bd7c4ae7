// The per-OS halves of the serial link that its OS-neutral part builds on.
#pragma once

#include <cstdint>
#include <string>

#include "serial/serial.h"

// Block transfers under the port's time limits, without the monitor hooks.
uint32_t OsPortWrite(SerialHandle handle, const uint8_t* bytes, uint32_t count);
uint32_t OsPortRead(SerialHandle handle, uint8_t* buffer, uint32_t count);

// A name SerialOpen can take: 1 to 254 characters (the longest that fits the 260-character
// device path with its prefix and terminator), with no NUL inside.
bool PortNameUsable(const std::string& name);
