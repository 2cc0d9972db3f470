// The keys the menus show beside their items, typed on the focused view as
// a keyboard types them: through the X server (XTest, by xdotool) and the
// toolkit's own key handling, not as events handed to the view.

#include <wx/accel.h>

#include <memory>

#include "tests/app/AppWindowFixture.h"
#include "tests/app/WindowShot.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

struct MenuKey {
    int id;
    int keyCode;
    int flags;
    bool enabled;
    std::string label;
};

void CollectMenuKeys(const wxMenu& menu, std::vector<MenuKey>& keys)
{
    for (wxMenuItem* item : menu.GetMenuItems()) {
        if (const wxMenu* sub = item->GetSubMenu()) {
            CollectMenuKeys(*sub, keys);
            continue;
        }
        const std::unique_ptr<wxAcceleratorEntry> key(item->GetAccel());
        if (key && key->IsOk())
            keys.push_back({item->GetId(), key->GetKeyCode(), key->GetFlags(), item->IsEnabled(),
                            std::string(item->GetItemLabel().utf8_str())});
    }
}

// The commands that reach the main window, taken there so that they do
// nothing (Open would show its dialog).
class CommandTrap : public wxEvtHandler {
public:
    explicit CommandTrap(wxWindow* window) : m_window(window)
    {
        Bind(wxEVT_MENU, [this](wxCommandEvent& event) { ids.push_back(event.GetId()); });
        window->PushEventHandler(this);
    }
    ~CommandTrap() override { m_window->RemoveEventHandler(this); }
    std::vector<int> ids;

private:
    wxWindow* m_window;
};

// Types `key` on the keyboard (XTest, as xdotool sends it) and lets the
// toolkit deliver it.
void Type(int keyCode, int flags)
{
    std::string keys;
    if (flags & wxACCEL_CTRL) keys += "ctrl+";
    if (flags & wxACCEL_ALT) keys += "alt+";
    if (flags & wxACCEL_SHIFT) keys += "shift+";
    // Letters as the unshifted key gives them.
    if (keyCode == WXK_SPACE) {
        keys += "space";
    } else {
        ASSERT_TRUE(keyCode >= 'A' && keyCode <= 'Z') << "a key this test cannot type yet: " << keyCode;
        keys += static_cast<char>(keyCode - 'A' + 'a');
    }
    test::Shell("xdotool key " + keys);
    // The toolkit's own events need a running loop.
    (void)PumpUntil([] { return false; }, 300);
}

TEST_F(AppWindowTest, EveryKeyTheMenusShowRunsItsItemOnceWithTheViewFocused)
{
    const std::string file = s_dir->File("keys.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    // The keyboard's focus on the window, as a click gives it, then on the view.
    Frame()->Raise();
    test::Shell("xdotool search --name '^keys.oxv - Oxvell$' windowfocus --sync 2>/dev/null");
    View()->Canvas()->SetFocus();
    ASSERT_TRUE(PumpUntil([] { return Frame()->IsActive() && wxWindow::FindFocus() == View()->Canvas(); }, 5000))
        << "the view has no focus";

    Frame()->GetMenuBar()->UpdateMenus();
    std::vector<MenuKey> keys;
    for (size_t i = 0; i < Frame()->GetMenuBar()->GetMenuCount(); ++i)
        CollectMenuKeys(*Frame()->GetMenuBar()->GetMenu(i), keys);
    ASSERT_TRUE(std::any_of(keys.begin(), keys.end(), [](const MenuKey& k) { return k.id == cmd::kZoomToExtent; }));
    for (const MenuKey& key : keys) {
        if (!key.enabled) continue;  // Save: always grey
        CommandTrap trap(Frame());
        Type(key.keyCode, key.flags);
        EXPECT_EQ(trap.ids, std::vector<int>{key.id}) << key.label;
    }

    // F does what View > Zoom to Extent does, from a camera that shows less.
    OrbitCamera& camera = View()->State().m_camera;
    Wheel(480);
    (void)PumpUntil([] { return false; }, 300);
    const OrbitCamera closer = camera;
    const Picture before = Screen();
    Type('F', wxACCEL_NORMAL);
    const Picture typed = Screen();
    EXPECT_NE(typed.rgb, before.rgb);
    camera = closer;
    Command(cmd::kZoomToExtent);
    EXPECT_EQ(Screen().rgb, typed.rgb) << "F and the menu item differ";
    EXPECT_EQ(Frame()->GetTitle(), "keys.oxv - Oxvell") << "the document is as it was";
}

}  // namespace
}  // namespace oxv
