// A terminal set up as a person's shell leaves it, for tests that a port open puts it back.
#pragma once

#include <termios.h>

#include <optional>

// Gives the terminal open on fd an interactive terminal's settings (line editing, echo, signal
// keys, output processing, flow control) at `speed`; returns them as read back.
inline std::optional<termios> MakeInteractive(int fd, speed_t speed) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return std::nullopt;
    }
    settings.c_iflag |= ICRNL | IXON;
    settings.c_oflag |= OPOST | ONLCR;
    settings.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cfsetspeed(&settings, speed);
    if (tcsetattr(fd, TCSANOW, &settings) != 0 || tcgetattr(fd, &settings) != 0) {
        return std::nullopt;
    }
    return settings;
}
