#include "support/ffprobe.h"

#include <cstdio>
#include <sstream>

#include <gtest/gtest.h>

namespace wuvo::test {

namespace {

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run: " << command;
        return output;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

void ReadStream(const std::string& path, ProbedVideo& video)
{
    std::istringstream lines(Run("ffprobe -v error -select_streams v:0 -show_entries "
                                 "stream=time_base,nb_frames:stream_side_data=rotation:format_tags=creation_time "
                                 "-of default=nw=1 " + Quoted(path)));
    std::string line;
    while (std::getline(lines, line)) {
        std::string key = line.substr(0, line.find('='));
        std::string value = line.substr(line.find('=') + 1);
        if (key == "time_base")
            video.timescale = static_cast<uint32_t>(std::stoul(value.substr(value.find('/') + 1)));
        else if (key == "nb_frames")
            video.frameCount = static_cast<uint32_t>(std::stoul(value));
        else if (key == "rotation")
            video.rotation = std::stod(value), video.hasDisplayMatrix = true;
        else if (key == "TAG:creation_time")
            video.creationTime = value;
    }
}

void ReadPackets(const std::string& path, ProbedVideo& video)
{
    std::istringstream lines(Run("ffprobe -v error -ignore_editlist 1 -select_streams v:0 "
                                 "-show_entries packet=dts,duration,flags -of csv=p=0 " + Quoted(path)));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string dts, duration, flags;
        std::getline(fields, dts, ',');
        std::getline(fields, duration, ',');
        std::getline(fields, flags, ',');
        if (flags.find('K') != std::string::npos)
            video.keyFrames.push_back(static_cast<uint32_t>(video.decodeTimes.size()));
        video.decodeTimes.push_back(std::stoull(dts));
        video.durations.push_back(std::stoull(duration));
    }
}

}  // namespace

ProbedVideo ProbeVideo(const std::string& path)
{
    ProbedVideo video;
    ReadStream(path, video);
    ReadPackets(path, video);
    return video;
}

}  // namespace wuvo::test
