#include "app/MenuKeys.h"

#include <memory>

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

wxMenuItem* ItemForKey(const wxMenu& menu, const wxKeyEvent& event)
{
    for (wxMenuItem* item : menu.GetMenuItems()) {
        if (const wxMenu* sub = item->GetSubMenu()) {
            if (wxMenuItem* found = ItemForKey(*sub, event)) return found;
            continue;
        }
        const std::unique_ptr<wxAcceleratorEntry> key(item->GetAccel());
        if (key && key->IsOk() && Matches(*key, event)) return item;
    }
    return nullptr;
}

}  // namespace

bool RunMenuKey(wxFrame& frame, const wxKeyEvent& event)
{
    wxMenuBar* bar = frame.GetMenuBar();
    if (!bar) return false;
    wxMenuItem* item = nullptr;
    for (size_t i = 0; i < bar->GetMenuCount() && !item; ++i) item = ItemForKey(*bar->GetMenu(i), event);
    if (!item) return false;
    // Enabled as the menu would show it now, not as it was last opened.
    bar->UpdateMenus();
    if (item->IsEnabled()) (void)frame.ProcessCommand(item);
    return true;
}

}  // namespace oxv
