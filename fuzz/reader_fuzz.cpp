// Feeds arbitrary bytes to the container reader as a job would open a file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"

namespace {

// One in-memory file for every input, opened through its /proc path as the
// reader opens any file.
int gInputFile = -1;
std::u16string gInputPath;

bool WriteInput(const uint8_t* data, size_t size)
{
    if (ftruncate(gInputFile, 0) != 0)
        return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(gInputFile, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// What the decoder, the stamper and the preview rely on after a check that
// succeeded: a time for every frame and sync frames inside the video.
void CheckAcceptedMovie()
{
    uint32_t frames = wuvo::GetVideoFrameCount();
    if (frames == 0 || wuvo::gParseState->sampleTimes.size() != frames || wuvo::gParseState->timescale == 0)
        __builtin_trap();
    for (uint32_t frame : {0u, frames / 2, frames - 1, frames}) {
        uint32_t found[] = {wuvo::FindSyncFrame(frame), wuvo::StepSyncForward(frame, 1),
                            wuvo::StepSyncForward(frame, 100), wuvo::StepSyncBackward(frame, 1),
                            wuvo::StepSyncBackward(frame, 10)};
        for (uint32_t result : found)
            if (result >= frames && result != frame)
                __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!wuvo::CreateSharedObjects())
        std::abort();
    gInputFile = memfd_create("reader_fuzz", MFD_CLOEXEC);
    if (gInputFile < 0)
        std::abort();
    gInputPath = wuvo::platform::ToUtf16("/proc/self/fd/" + std::to_string(gInputFile));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!WriteInput(data, size))
        std::abort();
    char16_t message[wuvo::kReaderMessageLength];
    if (wuvo::OpenAndCheckVideo(gInputPath.c_str(), wuvo::kReaderModeJob, message) == wuvo::kReaderOk)
        CheckAcceptedMovie();
    return 0;
}
