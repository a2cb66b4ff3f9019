// Identifiers of the program's resources, shared by the code and res/velmor.rc. Each image also
// exists drawn for larger display scales, under the identifiers of kit/scaled_image_ids.h.
#pragma once

#include "kit/scaled_image_ids.h"

#define IDB_SUBJECT_BELOW 101  // "Subject:" in blue-violet: the text is below the limit
#define IDB_SUBJECT_AT 102     // "Subject:" in orange: the text is at or above the limit
#define IDB_HELP 103           // the help button's framed "Help" face
#define IDI_VELMOR 104         // the application icon
#define IDI_OPTIONS 105        // gear
#define IDI_LOG 106            // sheet
#define IDI_SEND 107           // envelope
#define IDI_EXIT 108           // power symbol
