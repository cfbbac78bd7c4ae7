// The executable's other resources as plain data: the string table and the icon files.
#pragma once

namespace res {

// nullptr when there is no such resource.
const char* FindString(int id);
// File name of an icon resource inside the resource folder.
const char* FindIconFile(int id);

}  // namespace res
