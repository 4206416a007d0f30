#pragma once

#include "app/layout/text_layout.h"

class wxWindow;

namespace wuvo {

// How far a window's text is larger than the templates' font.
LayoutScale TextScaleOf(const wxWindow& window);

// Grows the places and sizes of a window's children by `scale`.
void ScaleChildren(wxWindow& parent, LayoutScale scale);

// Grows a window laid out by the sizers of its template with the window's
// text, and fits the window to them: the sizes the template gives, and the
// room it keeps around and between controls, grow as the main window's
// places do; a group box is never narrower than its title.
void GrowWithText(wxWindow& window);

}  // namespace wuvo
