#include "engine/mp4/reader.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/raw_file.h"
#include "engine/mp4/reader_refusal.h"
#include "engine/mp4/top_level_scan.h"
#include "engine/mp4/track_finish.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/format.h"

namespace wuvo {

namespace {

constexpr uint32_t kMoovHeaderBytes = 8;

// Fills the caller's message buffer, cut to fit as a formatted message is.
void WriteMessage(char16_t* message, const std::u16string& text)
{
    if (!message)
        return;
    size_t length = std::min(text.size(), kReaderMessageLength - 1);
    std::copy_n(text.begin(), length, message);
    message[length] = u'\0';
}

void WriteReaderError(char16_t* message, const char16_t* format, const char* error, const char16_t* path)
{
    char16_t wide[kReaderMessageLength];
    WidenReaderMessage(error, wide);
    WriteMessage(message, platform::FormatText(format, wide, path));
}

int32_t ScanFile(RawFile& file, int32_t mode, const char16_t* path, char16_t* message)
{
    try {
        if (ScanTopLevelBoxes(file, mode))
            return kReaderOk;
    } catch (const std::logic_error& error) {
        WriteReaderError(message, u"File check: <%s> in file <%s>\n", error.what(), path);
        return kReaderScanError;
    }
    WriteMessage(message, platform::FormatText(u"<%s> is not mp4/MOV format video file\n", path));
    return kReaderNotMp4;
}

int32_t WalkMovie(const RawFile& file, int32_t mode, const char16_t* path, char16_t* message)
{
    static constexpr char16_t kWalkError[] = u"Parsing moov: <%s> in file <%s>\n";
    Mp4ParseState& state = *gParseState;
    try {
        auto bodyLength = static_cast<uint32_t>(state.moovSize - kMoovHeaderBytes);
        if (ParseMoovBoxes(mode, bodyLength, state.moovBuffer + kMoovHeaderBytes) == kReaderNotHevc) {
            WriteMessage(message, platform::FormatText(u"<%s> is not HEVC format video file\n", path));
            return kReaderNotHevc;
        }
        CheckVideoTrack(state, file.size);
        FinishTracks();
    } catch (const std::logic_error& error) {
        if (const auto* refusal = dynamic_cast<const ReaderRefusal*>(&error))
            state.refusal = refusal->Reason();
        WriteReaderError(message, kWalkError, error.what(), path);
        return kReaderMoovError;
    } catch (const std::bad_alloc&) {
        WriteReaderError(message, kWalkError, "out of memory", path);
        return kReaderMoovError;
    }
    return kReaderOk;
}

int32_t CheckOpenedFile(RawFile& file, int32_t mode, const char16_t* path, char16_t* message)
{
    gParseState->Reset();
    gParseState->fileSize = file.size;
    int32_t result = ScanFile(file, mode, path, message);
    if (result == kReaderOk)
        result = WalkMovie(file, mode, path, message);
    if (result == kReaderOk && mode == kReaderModeJob) {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->mode = kPoolModeJob;
    }
    return result;
}

// The preview keeps the tables but not the box copies.
void ReleaseBoxBuffers(Mp4ParseState& state)
{
    std::free(state.ftypBuffer);
    std::free(state.moovBuffer);
    state.ftypBuffer = nullptr;
    state.moovBuffer = nullptr;
    state.moovOffset = 0;
    state.moovSize = 0;
}

}  // namespace

int32_t OpenAndCheckVideo(const char16_t* path, int32_t mode, char16_t* message)
{
    const char16_t* shownPath = path ? path : u"";
    RawFile file;
    int32_t result;
    if (file.Open(path, RawFile::kModeRead) != 0) {
        WriteMessage(message, platform::FormatText(u"Cannot open video file <%s>\n", shownPath));
        result = kReaderCannotOpen;
    } else {
        result = CheckOpenedFile(file, mode, shownPath, message);
    }
    if (mode != kReaderModeJob)
        ReleaseBoxBuffers(*gParseState);
    file.Close();
    return result;
}

void WidenReaderMessage(const char* text, char16_t* wide)
{
    std::fill_n(wide, kReaderMessageLength, u'\0');
    // Reader errors are ASCII; any other byte keeps its value, as the C
    // locale gives it.
    for (size_t i = 0; text && text[i] && i < kReaderMessageLength - 1; ++i)
        wide[i] = static_cast<unsigned char>(text[i]);
}

}  // namespace wuvo
