#include "app/MenuKeys.h"

#include <memory>
#include <vector>

#include <wx/accel.h>
#include <wx/frame.h>
#include <wx/menu.h>

namespace oxv {

namespace {

constexpr int kModifierFlags = wxACCEL_ALT | wxACCEL_CTRL | wxACCEL_SHIFT;

bool Matches(const wxAcceleratorEntry& key, const wxKeyEvent& event)
{
    // The menu's flags and the event's modifiers share their bits.
    const int modifiers = event.GetModifiers() & (wxMOD_ALT | wxMOD_CONTROL | wxMOD_SHIFT);
    return key.GetKeyCode() == event.GetKeyCode() && (key.GetFlags() & kModifierFlags) == modifiers;
}

void ItemsForKey(const wxMenu& menu, const wxKeyEvent& event, std::vector<wxMenuItem*>& items)
{
    for (wxMenuItem* item : menu.GetMenuItems()) {
        if (const wxMenu* sub = item->GetSubMenu()) {
            ItemsForKey(*sub, event, items);
            continue;
        }
        const std::unique_ptr<wxAcceleratorEntry> key(item->GetAccel());
        if (key && key->IsOk() && Matches(*key, event)) items.push_back(item);
    }
}

}  // namespace

bool RunMenuKey(wxFrame& frame, const wxKeyEvent& event)
{
    wxMenuBar* bar = frame.GetMenuBar();
    if (!bar) return false;
    std::vector<wxMenuItem*> items;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i) ItemsForKey(*bar->GetMenu(i), event, items);
    if (items.empty()) return false;
    // Enabled as the menu would show it now, not as it was last opened. Items
    // may share a key that only one of them takes at a time (Space: Start
    // while stopped, Pause/Resume during a run).
    bar->UpdateMenus();
    for (wxMenuItem* item : items) {
        if (!item->IsEnabled()) continue;
        (void)frame.ProcessCommand(item);
        break;
    }
    return true;
}

}  // namespace oxv
