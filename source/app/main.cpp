#include "app/wuvo_app.h"

wxIMPLEMENT_APP(wuvo::CWuvoApp);
