// Wrapped controls, one header per family; include this one for all of them.
#pragma once

#include "toolkit/controls_actions.h"
#include "toolkit/controls_bars.h"
#include "toolkit/controls_basic.h"
#include "toolkit/controls_combo.h"
#include "toolkit/controls_images.h"
#include "toolkit/controls_tabs.h"
