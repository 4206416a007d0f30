#pragma once

#include <wx/gdicmn.h>

namespace wuvo {

// The main window's template places its controls in pixels, for the text it
// was drawn with. Larger text (a desktop's text scaling, a font set for more
// dots per inch) grows the places and sizes with it, as dialog units grow
// with a dialog's font; the template's own text and smaller keep them.
struct LayoutScale {
    double x = 1.0;
    double y = 1.0;
};

// From the extent of the 52 ASCII letters in the window's font, the
// measure dialog units are taken from.
LayoutScale ScaleForLetters(int width, int height);

// The box grown by `scale`. Its edges are scaled, not its size, so that
// controls that meet in the template still meet.
wxRect Scaled(const wxRect& box, LayoutScale scale);

// How far a part that can shrink gives way (zero or less) so that `needed`
// pixels fit in `room`; it gives at most `giveable`.
int GiveWay(int needed, int room, int giveable);

}  // namespace wuvo
