#include <wx/app.h>

#include "app/DisplayBackend.h"
#include "app/OxvellApp.h"

wxIMPLEMENT_APP_NO_MAIN(COxvellApp);

int main(int argc, char** argv)
{
    // Started from a Wayland desktop (file manager, menu entry, terminal),
    // the toolkit would open a Wayland display the GL canvas cannot draw on.
    oxv::ChooseX11OnWayland();
    return wxEntry(argc, argv);
}
