// The table of the program's dialogs.
#include "app/dialogs.h"

#include "app/resource_ids.h"
#include "kit/dialog_host.h"
#include "log/log_viewer.h"
#include "options/options_dialog.h"

namespace {

struct NamedDialog {
    const char* name;
    DialogSpec spec;
};

const NamedDialog kDialogs[] = {
    {"Opt", {"Options", 360, 625, optionsDialogProc, &optionsWindow, IDI_VELMOR}},
    {"View", {"View", 281, 353, logViewerProc, &logViewerWindow, IDI_VELMOR}},
};

}  // namespace

int runDialog(HWND owner, const char* dialogName)
{
    for (const NamedDialog& dialog : kDialogs) {
        if (lstrcmpA(dialog.name, dialogName) == 0)
            return runDialog(owner, dialog.spec);
    }
    return 0;
}
