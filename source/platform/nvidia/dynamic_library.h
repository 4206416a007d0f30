#pragma once

#include <string>

namespace wuvo::platform {

// Opens a shared library by its file name through the loader's usual search
// (the process's library path first); null when it cannot be opened.
void* OpenLibrary(const std::string& fileName);
// The address of an exported name; null when the library has none.
void* LookUpSymbol(void* library, const char* name);
void CloseLibrary(void* library);

}  // namespace wuvo::platform
