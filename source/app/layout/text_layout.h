#pragma once

#include <wx/gdicmn.h>

namespace wuvo {

// The program's templates place their controls in pixels, for the text they
// were drawn with. Larger text (a desktop's text scaling, a font set for more
// dots per inch) grows the places and sizes with it, as dialog units grow
// with a dialog's font; the template's own text and smaller keep them.
struct LayoutScale {
    double x = 1.0;
    double y = 1.0;
};

// From the extent of the 52 ASCII letters in a window's font, the measure
// dialog units are taken from.
LayoutScale ScaleForLetters(int width, int height);

// The box grown by `scale`. Its edges are scaled, not its size, so that
// controls that meet in the template still meet.
wxRect Scaled(const wxRect& box, LayoutScale scale);

// A size a template gives, grown by `scale`; a side it leaves to the
// toolkit (wxDefaultCoord) stays so.
wxSize Scaled(const wxSize& size, LayoutScale scale);

// The room a template keeps around and between controls, grown by `scale`.
int ScaledSpace(int space, LayoutScale scale);

}  // namespace wuvo
