#pragma once

class QWidget;

namespace formfont {

// Our windows are laid out in pixels for the font their form gives them: family,
// size, weight and slant. Whatever the form leaves unsaid would come from the
// desktop's font, for the window and for each kind of control on it. This says the
// rest of what changes the width of text (style name, width class, spacing, letter
// case, kerning) so that the desktop's font reaches nothing on the window. Call it
// after the form is set up; controls with a font of their own keep it.
void settle(QWidget* window);

} // namespace formfont
