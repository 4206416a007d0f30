#include "app/layout/window_fit.h"

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/xrc/xmlres.h>

#include "app/control_ids.h"
#include "support/app_harness.h"

using namespace wuvo;
using namespace wuvo::test;

// Sizes and places as failures print them.
static void PrintTo(const wxSize& size, std::ostream* out)
{
    *out << size.x << "x" << size.y;
}
static void PrintTo(const wxRect& box, std::ostream* out)
{
    *out << box.width << "x" << box.height << " at " << box.x << "," << box.y;
}

namespace {

// The text scales of desktops as people set them, measured by the letters'
// extent, each with the page's room on a screen too small for it (the work
// area less the window's frame and menu bar).
struct SmallScreen {
    const char* desktop;
    LayoutScale text;
    wxSize room;
};
const SmallScreen kSmallScreens[] = {
    {"1.5 times the text on 1366 x 768", {1.53, 1.41}, {1364, 696}},
    {"a 13 pt font on 1280 x 720", {1.31, 1.29}, {1278, 650}},
    {"2.0 times the text on 1920 x 1080", {2.03, 1.88}, {1918, 1000}},
};

constexpr int kStampPanels[] = {1056, 1058};
constexpr int kFileSide[] = {kIdAdd, kIdClear, kIdBrowse, kIdOutputFolder, kIdFileList};

// The main window's page as its template makes it, laid out for `text`.
class WindowFitTest : public testing::Test {
protected:
    WindowFit LaidOut(LayoutScale text)
    {
        auto* page = dynamic_cast<wxWindow*>(
            wxXmlResource::Get()->LoadObject(frame_.get(), kMainDialogTemplate, "wxScrolledWindow"));
        EXPECT_NE(page, nullptr);
        return LayOutPage(*page, text);
    }
    void TearDown() override
    {
        frame_.release()->Destroy();
        Pump();
    }
    std::unique_ptr<wxFrame> frame_{new wxFrame(nullptr, wxID_ANY, "page")};
};

// The controls' places at `stretch`.
std::map<int, wxRect> Places(const WindowFit& fit, wxSize stretch)
{
    std::map<int, wxRect> places;
    for (const auto& [id, laidOut] : fit.Controls())
        places[id] = fit.Place(id, stretch);
    return places;
}

// Pairs of controls that meet at `after` but not as laid out, and those
// that lay inside another (a group's controls) but no longer do.
std::vector<std::pair<int, int>> NewlyMixed(const std::map<int, wxRect>& laidOut, const std::map<int, wxRect>& after)
{
    std::vector<std::pair<int, int>> mixed;
    for (const auto& [a, laidA] : laidOut)
        for (const auto& [b, laidB] : laidOut) {
            const bool met = a < b && !laidA.Intersects(laidB) && after.at(a).Intersects(after.at(b));
            const bool left = a != b && laidA.Contains(laidB) && !after.at(a).Contains(after.at(b));
            if (met || left)
                mixed.emplace_back(a, b);
        }
    return mixed;
}

}  // namespace

TEST_F(WindowFitTest, AtTheTemplatesTextAndRoomEveryControlKeepsItsPlace)
{
    WindowFit fit = LaidOut({});
    EXPECT_EQ(fit.LaidOut(), wxSize(1000, 640));
    EXPECT_EQ(fit.Place(kIdViewLog, {}), wxRect(680, 574, 300, 34));
    fit.FitRoom({1272, 940});
    EXPECT_EQ(fit.Stretch({1000, 640}), wxSize(0, 0));
    EXPECT_EQ(Places(fit, fit.Stretch({1000, 640})), fit.Controls());
}

TEST_F(WindowFitTest, OnASmallScreenThePreviewGivesWayAndEveryControlLiesInside)
{
    for (const SmallScreen& screen : kSmallScreens) {
        WindowFit fit = LaidOut(screen.text);
        fit.FitRoom(screen.room);
        const wxSize stretch = fit.Stretch(screen.room);
        const std::map<int, wxRect> places = Places(fit, stretch);
        for (const auto& [id, place] : places)
            EXPECT_TRUE(wxRect(screen.room).Contains(place)) << screen.desktop << ": " << id << " lies past the room";
        EXPECT_EQ(NewlyMixed(fit.Controls(), places), (std::vector<std::pair<int, int>>{})) << screen.desktop;
        const wxSize needed = fit.LaidOut() - screen.room;
        EXPECT_EQ(places.at(kIdPreviewPicture).GetSize(), fit.Controls().at(kIdPreviewPicture).GetSize() - needed)
            << screen.desktop << ": the picture gives way across and down";
    }
}

TEST_F(WindowFitTest, WhatGaveWayComesBackAsThePageGrowsAndControlsFollowGrowthBeyond)
{
    WindowFit fit = LaidOut(kSmallScreens[0].text);
    const wxSize room = kSmallScreens[0].room;
    fit.FitRoom(room);
    const std::map<int, wxRect>& laidOut = fit.Controls();
    const wxSize given = fit.LaidOut() - room;
    const wxSize half = fit.LaidOut() - given / 2;
    EXPECT_EQ(fit.Place(kIdPreviewPicture, fit.Stretch(half)).GetSize(),
              laidOut.at(kIdPreviewPicture).GetSize() - given / 2);
    EXPECT_EQ(Places(fit, fit.Stretch(fit.LaidOut())), laidOut) << "given back whole";

    // Smaller than at first, or minimised, nothing moves further.
    EXPECT_EQ(fit.Stretch(room - wxSize(200, 100)), fit.Stretch(room));
    EXPECT_EQ(fit.Stretch({0, 0}), fit.Stretch(room));

    const wxSize grown = fit.Stretch(fit.LaidOut() + wxSize(100, 60));
    for (int id : kFileSide)
        EXPECT_EQ(fit.Place(id, grown).GetPosition(), laidOut.at(id).GetPosition() + wxPoint(100, 0)) << id;
    for (int id : kStampPanels)
        EXPECT_EQ(fit.Place(id, grown).GetPosition(), laidOut.at(id).GetPosition() + wxPoint(0, 60)) << id;
    EXPECT_EQ(fit.Place(kIdPreviewPicture, grown).GetSize(), laidOut.at(kIdPreviewPicture).GetSize() + wxSize(100, 60));
}

TEST(TextLayout, PlacesGrowWithTheTextAndControlsThatMeetStillMeet)
{
    EXPECT_EQ(ScaleForLetters(422, 17).x, 1.0) << "the templates' own text";
    EXPECT_EQ(ScaleForLetters(300, 12).y, 1.0) << "smaller text keeps the places";
    EXPECT_DOUBLE_EQ(ScaleForLetters(633, 34).x, 1.5);
    EXPECT_DOUBLE_EQ(ScaleForLetters(633, 34).y, 2.0);
    const LayoutScale scale{1.5, 2.0};
    const wxRect left = Scaled(wxRect(7, 418, 33, 30), scale);
    const wxRect right = Scaled(wxRect(40, 418, 40, 30), scale);
    EXPECT_EQ(left.GetRight() + 1, right.x);
    EXPECT_EQ(Scaled(wxSize(48, wxDefaultCoord), scale), wxSize(72, wxDefaultCoord)) << "a side left to the toolkit";
    EXPECT_EQ(ScaledSpace(10, scale), 15);
}
