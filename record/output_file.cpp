#include "record/output_file.h"

#include <cerrno>
#include <cstring>

#include "record/local_conventions.h"

std::string FileErrorText() {
    return errno == 0 ? std::string("write failed") : std::string(std::strerror(errno));
}

bool CreateOutputFile(std::ofstream& file, const std::string& path, std::string& error) {
    errno = 0;
    file.open(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    if (!file) {
        error = FileErrorText();
        return false;
    }
    return true;
}
