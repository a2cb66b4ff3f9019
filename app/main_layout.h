// The Main window's size, style and controls: what its first paint shows. Shared by the
// program and by the start-up benchmark's floor that shows the same window without the program.
#pragma once

#include <windows.h>

#include "app/main_window.h"
#include "app/resource_ids.h"
#include "kit/controls.h"

constexpr DWORD kMainStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr int kMainWidth = 163;
constexpr int kMainHeight = 286;

constexpr DWORD kIconButton = WS_CHILD | WS_VISIBLE | BS_ICON;
constexpr DWORD kEditorStyle =
    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr DWORD kLineStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kHelpStyle = WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE;

constexpr ControlSpec kMainControls[] = {
    {kOptionsButton, "BUTTON", "Options", 0, kIconButton, 5, 215, 36, 36},
    {kLogButton, "BUTTON", "LogFile", 0, kIconButton, 41, 215, 36, 36},
    {kSendButton, "BUTTON", "Send", 0, kIconButton, 77, 215, 36, 36},
    {kExitButton, "BUTTON", "Exit", 0, kIconButton, 113, 215, 36, 36},
    {kEditor, "EDIT", "", WS_EX_CLIENTEDGE, kEditorStyle, 5, 43, 146, 137},
    {kSubjectLine, "STATIC", "", WS_EX_STATICEDGE, kLineStyle, 5, 21, 146, 16},
    {kStatusLine, "STATIC", ">Velmor132", WS_EX_STATICEDGE, kLineStyle, 5, 192, 146, 17},
    {kHelpButton, "STATIC", "", 0, kHelpStyle, 117, 3, 32, 16},
};

// The faces of the four buttons, from the Options button to the Exit button.
constexpr int kButtonIcons[] = {IDI_OPTIONS, IDI_LOG, IDI_SEND, IDI_EXIT};
