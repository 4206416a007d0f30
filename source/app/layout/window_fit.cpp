#include "app/layout/window_fit.h"

#include <algorithm>

#include <wx/window.h>

#include "app/control_ids.h"
#include "app/layout/text_growth.h"

namespace wuvo {

namespace {

// Controls that move down with the page's height: the preview's slider,
// buttons and status, and both stamp panels.
constexpr int kMovedDown[] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1045, 1055, 1056, 1046,
                              1022, 1021, 1059, 1060, 1017, 1025, 1010, 1018, 1020, 1023, 1019, 1058,
                              1036, 1039, 1038, 1061, 1062, 1028, 1050, 1011, 1040, 1042, 1043, 1041};
// Controls that move right with its width: the file list's side.
constexpr int kMovedRight[] = {1063, 1064, 1065, 1070, 1047, 1048, 1029, 1030,
                               1031, 1032, 1027, 1035, 1026, 1033, 1034, 1037};
// The file list's side below the list: it moves up when the list gives way
// to a low screen.
constexpr int kBelowFileList[] = {1029, 1030, 1031, 1064, 1048, 1032, 1070,
                                  1065, 1027, 1035, 1026, 1033, 1034, 1037};

// How the Stamping group's controls follow the group as it narrows by n:
// their left and right edges move left by that many halves of n.
struct Narrowing {
    int id;
    int leftHalves;
    int rightHalves;
};
constexpr int kStampingGroup = 1070;
constexpr Narrowing kStampingGroupNarrows[] = {
    {kStampingGroup, 0, 2}, {1065, 0, 1},       {kIdProgress, 0, 2}, {kIdPercent, 2, 2},
    {kIdAutoShutdown, 0, 1}, {kIdStamp, 0, 1}, {kIdStop, 1, 2},     {kIdViewLog, 0, 2},
};

// A part that gives way keeps a third of its size.
constexpr int kKeptShare = 3;

int ShareToGive(int size)
{
    return size - size / kKeptShare;
}

template <size_t N>
bool Among(const int (&ids)[N], int id)
{
    return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

const Narrowing* NarrowingOf(int id)
{
    for (const Narrowing& narrowing : kStampingGroupNarrows)
        if (narrowing.id == id)
            return &narrowing;
    return nullptr;
}

wxRect Narrowed(const wxRect& box, const Narrowing& narrowing, int by)
{
    const int left = box.x - by * narrowing.leftHalves / 2;
    const int right = box.x + box.width - by * narrowing.rightHalves / 2;
    return {left, box.y, right - left, box.height};
}

}  // namespace

WindowFit::WindowFit(std::map<int, wxRect> laidOut, wxSize page) : laidOut_(std::move(laidOut)), page_(page)
{
    const wxSize picture = laidOut_.at(kIdPreviewPicture).GetSize();
    giveable_ = wxSize(std::min(ShareToGive(picture.x), ShareToGive(laidOut_.at(kIdProgress).width)),
                       std::min(ShareToGive(picture.y), ShareToGive(laidOut_.at(kIdFileList).height)));
}

void WindowFit::FitRoom(wxSize room)
{
    mostGiven_.x = std::clamp(page_.x - room.x, 0, giveable_.x);
    mostGiven_.y = std::clamp(page_.y - room.y, 0, giveable_.y);
}

wxSize WindowFit::Stretch(wxSize size) const
{
    const wxSize smallest = Smallest();
    return {std::max(size.x, smallest.x) - page_.x, std::max(size.y, smallest.y) - page_.y};
}

wxRect WindowFit::Place(int id, wxSize stretch) const
{
    wxRect box = laidOut_.at(id);
    const int given = std::min(stretch.y, 0);
    if (id == kIdPreviewPicture)
        box.SetSize(box.GetSize() + stretch);
    if (Among(kMovedDown, id))
        box.y += stretch.y;
    if (id == kIdFileList)
        box.height += given;
    if (Among(kBelowFileList, id))
        box.y += given;
    if (Among(kMovedRight, id)) {
        const Narrowing* narrowing = NarrowingOf(id);
        if (stretch.x < 0 && narrowing != nullptr)
            box = Narrowed(box, *narrowing, -stretch.x);
        else
            box.x += stretch.x;
    }
    return box;
}

WindowFit LayOutPage(wxWindow& page, LayoutScale scale)
{
    ScaleChildren(page, scale);
    ScaleChildren(*page.FindWindow(kIdPreviewPicture), scale);
    // The picture's scroll bars lie where the preview puts them.
    std::map<int, wxRect> places;
    for (wxWindow* child : page.GetChildren())
        if (child->GetId() != kIdPreviewHScroll && child->GetId() != kIdPreviewVScroll)
            places[child->GetId()] = child->GetRect();
    return WindowFit(std::move(places), Scaled(wxRect(page.GetSize()), scale).GetSize());
}

}  // namespace wuvo
