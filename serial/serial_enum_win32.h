// The port list on Windows, from a registry key passed in so that tests can list their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// SerialEnumPorts over the values of root\subkey.
int32_t EnumRegistryPorts(HKEY root, const wchar_t* subkey, std::string* deviceNames,
                          std::string* portNames, uint32_t limit);

std::string Utf8FromWide(const wchar_t* text, std::size_t length);
