#include "platform/nvidia/dynamic_library.h"

#include <dlfcn.h>

namespace wuvo::platform {

void* OpenLibrary(const std::string& fileName)
{
    // Local: the driver's names must not stand in for anyone else's.
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LookUpSymbol(void* library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

void CloseLibrary(void* library)
{
    if (library)
        dlclose(library);
}

}  // namespace wuvo::platform
