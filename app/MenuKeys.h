#pragma once

class wxFrame;
class wxKeyEvent;

namespace oxv {

// The keys the menus show beside their items (Zoom to Extent's F) work
// with the view focused, whatever the toolkit does with a menu shortcut
// that has no modifier: a key press on the view that matches an item's
// shown key runs that item as choosing it would, if it is enabled (of items
// that share a key, the one enabled now). True
// when the key belongs to an item (enabled or not): the key is then used up.
[[nodiscard]] bool RunMenuKey(wxFrame& frame, const wxKeyEvent& event);

}  // namespace oxv
