// The process's standard streams: the arguments as UTF-8 and standard output that carries
// UTF-8 bytes as they are, with LF line ends, whatever the system's code pages.
#pragma once

#include <string>
#include <vector>

void PrepareStandardStreams();
std::vector<std::string> Utf8Arguments(int argc, char** argv);
