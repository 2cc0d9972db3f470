#include "OxvellApp.h"

wxIMPLEMENT_APP(COxvellApp);
