#include "engine/media/frame_copy.h"

#include <cstring>

namespace wuvo {

namespace {

struct PlaneShape {
    size_t rowBytes;
    size_t rows;
};

bool PlaneFits(const platform::VideoFrame& frame, int plane, PlaneShape shape)
{
    if (shape.rows == 0 || shape.rowBytes == 0)
        return true;
    size_t pitch = frame.pitch[plane];
    return frame.planes[plane] != nullptr && pitch >= shape.rowBytes &&
           (shape.rows - 1) * pitch + shape.rowBytes <= frame.planeBytes[plane];
}

uint8_t* CopyPlane(const platform::VideoFrame& frame, int plane, PlaneShape shape, uint8_t* out)
{
    const uint8_t* row = frame.planes[plane];
    if (frame.pitch[plane] == shape.rowBytes) {
        std::memcpy(out, row, shape.rowBytes * shape.rows);
        return out + shape.rowBytes * shape.rows;
    }
    for (size_t y = 0; y < shape.rows; ++y, row += frame.pitch[plane], out += shape.rowBytes)
        std::memcpy(out, row, shape.rowBytes);
    return out;
}

}  // namespace

bool CopyI420Frame(const platform::VideoFrame& frame, uint32_t width, uint32_t height,
                   uint8_t* destination, size_t capacity)
{
    if (frame.width != width || frame.height != height || !destination)
        return false;
    const PlaneShape shapes[3] = {
        {width, height}, {width / 2u, height / 2u}, {width / 2u, height / 2u}};
    size_t total = 0;
    for (int plane = 0; plane < 3; ++plane) {
        if (!PlaneFits(frame, plane, shapes[plane]))
            return false;
        total += shapes[plane].rowBytes * shapes[plane].rows;
    }
    if (total > capacity)
        return false;
    uint8_t* out = destination;
    for (int plane = 0; plane < 3; ++plane)
        out = CopyPlane(frame, plane, shapes[plane], out);
    return true;
}

}  // namespace wuvo
