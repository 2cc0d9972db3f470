#include "app/OxvellApp.h"

wxIMPLEMENT_APP(COxvellApp);
