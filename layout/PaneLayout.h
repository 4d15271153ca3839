// The layout and enabling rules of the pane: the one place that brings every control into line
// with the settings held in the context.
#pragma once

#include "settings/AccountingContext.h"

// Reads only the context (never a control's value). Controls the context does not hold are left
// alone; the changes to the context itself and to gMaxChars happen all the same.
void setControls(AccountingContext* context);
