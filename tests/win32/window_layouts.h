// The controls of the three windows as their layout specifies them, written out here apart from
// the program's own tables: classes as the system names them, captions in UTF-8, and the styles
// each control holds once it is created and filled in.
#pragma once

#include <span>

#include "kit/controls.h"

extern const std::span<const ControlSpec> kMainLayout;
extern const std::span<const ControlSpec> kOptionsLayout;
extern const std::span<const ControlSpec> kViewerLayout;
