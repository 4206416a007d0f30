#include "platform/media/hevc_encoder_settings.h"

#include <sched.h>

#include <gtest/gtest.h>

using namespace wuvo::platform;

TEST(HevcEncoderSettings, ReadsTheCgroupQuota)
{
    EXPECT_EQ(CpusAllowedByQuota("max 100000"), 0u);
    EXPECT_EQ(CpusAllowedByQuota("200000 100000"), 2u);
    EXPECT_EQ(CpusAllowedByQuota("150000 100000"), 2u) << "a part of a CPU still needs a thread";
    EXPECT_EQ(CpusAllowedByQuota("50000 100000"), 1u);
    EXPECT_EQ(CpusAllowedByQuota(""), 0u);
    EXPECT_EQ(CpusAllowedByQuota("100000 0"), 0u);
    EXPECT_EQ(CpusAllowedByQuota("garbage here"), 0u);
}

TEST(HevcEncoderSettings, SizesThePoolFromTheCpusThisProcessMayUse)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
    unsigned usable = UsableCpuCount();
    EXPECT_GE(usable, 1u);
    EXPECT_LE(usable, static_cast<unsigned>(CPU_COUNT(&set)));
    EXPECT_EQ(X265Params(), "pools=" + std::to_string(usable) + ":log-level=error");
}
