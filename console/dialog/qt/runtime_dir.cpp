#include "console/dialog/qt/runtime_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "serial/virtual_port.h"

PrivateRuntimeDir::PrivateRuntimeDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/velkaro-runtime-XXXXXX";
    // mkdtemp makes it with mode 0700, as a runtime folder must be.
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    m_path = pattern;
    setenv("VELKARO_PORT_REGISTRY", VirtualPortRegistryDir().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
}

PrivateRuntimeDir::~PrivateRuntimeDir() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}
