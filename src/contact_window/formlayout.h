#pragma once

class QTabWidget;
class QWidget;

// How the contact window's form is put on screen, beyond what the form file says.
namespace formlayout {

// Every label of form becomes a caption bar over its field: the selection's
// colours, never the focus, and its caption the field's accessible name.
void showLabelsAsCaptionBars(QWidget* form);

// The page controls are laid out from the tab control's top-left corner, strip
// included; the pages begin below the strip, so they move up by that much.
void placePageControls(QTabWidget* tabs);

// Puts window in the middle of its screen's free area; false when it has no
// screen yet.
bool centreOnScreen(QWidget* window);

} // namespace formlayout
