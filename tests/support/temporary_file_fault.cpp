#include "support/temporary_file_fault.h"

#include <dlfcn.h>

#include <atomic>
#include <cerrno>

namespace wuvo::test {

namespace {

std::atomic<int> gError{0};

using Mkstemp = int (*)(char*);

int CreateTemporary(const char* name, char* pattern)
{
    if (int error = gError.load()) {
        errno = error;
        return -1;
    }
    auto create = reinterpret_cast<Mkstemp>(dlsym(RTLD_NEXT, name));
    return create ? create(pattern) : -1;
}

}  // namespace

TemporaryFilesFail::TemporaryFilesFail(int error)
{
    gError = error;
}

TemporaryFilesFail::~TemporaryFilesFail()
{
    gError = 0;
}

}  // namespace wuvo::test

extern "C" int mkstemp(char* pattern)
{
    return wuvo::test::CreateTemporary("mkstemp", pattern);
}

extern "C" int mkstemp64(char* pattern)
{
    return wuvo::test::CreateTemporary("mkstemp64", pattern);
}
