#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace wuvo::test {

// For the calling thread's lifetime of the object, permissions bind as they
// bind an ordinary user, also when the tests run with the administrator's
// rights, which ignore them. Nothing changes for an ordinary user.
class AsAnOrdinaryUser {
public:
    AsAnOrdinaryUser()
    {
        capget(&header_, saved_);
        __user_cap_data_struct bound[2] = {saved_[0], saved_[1]};
        bound[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        EXPECT_EQ(capset(&header_, bound), 0) << std::strerror(errno);
    }
    ~AsAnOrdinaryUser() { capset(&header_, saved_); }
    AsAnOrdinaryUser(const AsAnOrdinaryUser&) = delete;
    AsAnOrdinaryUser& operator=(const AsAnOrdinaryUser&) = delete;

private:
    static int capget(__user_cap_header_struct* header, __user_cap_data_struct* data)
    {
        return static_cast<int>(::syscall(SYS_capget, header, data));
    }
    static int capset(__user_cap_header_struct* header, __user_cap_data_struct* data)
    {
        return static_cast<int>(::syscall(SYS_capset, header, data));
    }
    // Capabilities belong to each thread: pid 0 is the calling one.
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

}  // namespace wuvo::test
