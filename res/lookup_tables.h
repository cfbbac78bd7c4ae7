// The executable's other resources as plain data: the icon files.
#pragma once

namespace res {

// File name of an icon resource inside the resource folder.
const char* FindIconFile(int id);

}  // namespace res
