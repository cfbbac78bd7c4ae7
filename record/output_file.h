// Files of the saved record: created by a UTF-8 name, written in binary so that the line ends
// are exactly what the writer put there.
#pragma once

#include <fstream>
#include <string>

// Creates or empties the file; on failure the stream is closed and `error` says why.
bool CreateOutputFile(std::ofstream& file, const std::string& path, std::string& error);

// Why the last file operation failed, from errno; a generic text when errno says nothing.
std::string FileErrorText();
