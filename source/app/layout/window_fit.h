#pragma once

#include <map>

#include <wx/gdicmn.h>

#include "app/layout/text_layout.h"

class wxWindow;

namespace wuvo {

// Where the main window's controls lie for the size of its page. The
// template's places, grown for the window's text, are the laid out page.
// A larger page moves the preview's controls and the stamp panels down with
// its height and the file list's side right with its width, and grows the
// picture with both. On a screen too small for the laid out page the
// picture and the file list give way down, and the picture gives way across:
// the file list's side follows it, and its Stamping group, which lies beside
// the stamp panels, narrows instead. The page never gives way further than
// the screen made it at first.
class WindowFit {
public:
    // `laidOut`: each control's place by id, as laid out for the text.
    WindowFit(std::map<int, wxRect> laidOut, wxSize page);

    wxSize LaidOut() const { return page_; }
    // How far the page may give way across and down.
    wxSize Giveable() const { return giveable_; }
    // The room the screen leaves the page; the page gives way to it once,
    // as far as it can.
    void FitRoom(wxSize room);
    // How far a page of `size` lies from the laid out one: beyond it, the
    // growth; below it, what gives way, never more than the screen took.
    wxSize Stretch(wxSize size) const;
    // The smallest page it arranges: laid out, less what gave way.
    wxSize Smallest() const { return page_ - mostGiven_; }
    // Where the control `id` lies at `stretch`; the picture's place is the
    // room for it and its scroll bars.
    wxRect Place(int id, wxSize stretch) const;
    const std::map<int, wxRect>& Controls() const { return laidOut_; }

private:
    std::map<int, wxRect> laidOut_;
    wxSize page_;
    wxSize giveable_;
    wxSize mostGiven_;
};

// Grows the places of the main window's page (made from its template) by
// `scale`, and how they then follow the page's size.
WindowFit LayOutPage(wxWindow& page, LayoutScale scale);

}  // namespace wuvo
