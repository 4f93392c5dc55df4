// The toolbar's placement between runs: a small file of "name=value" lines beside the
// messenger's settings (paths.h), values signed decimals:
//   tbrvisible   1 when the toolbar was visible, 0 when not
//   tbrrowindex  docking row index
//   tbrposition  docking position (the mail client's bar position number)
//   tbrtop, tbrleft  coordinates
#pragma once

#include "addin/host.h"

#include <string>
#include <string_view>

namespace zep::addin {

// A signed decimal that fits 32 bits: an optional '-' or '+' and digits, nothing else.
bool ParseDecimal(std::string_view text, int& value);

// No file: nothing is restored. Without a readable "tbrvisible" the toolbar is made visible and
// nothing else is restored; otherwise it is shown or hidden by it, then row index, position, top
// and left are applied in this order until the first one that is missing, not an integer, or
// cannot be applied.
void RestorePlacement(ICommandBar& bar, const std::string& file);

// Written only when the messenger's settings file exists (no folder or file is made for an
// add-in that runs without the messenger's settings). The values are read from the toolbar in
// the order above; a value that cannot be read ends the list, and what was read replaces the
// file at once. False when nothing was written.
bool SavePlacement(ICommandBar& bar, const std::string& file, const std::string& settingsFile);

} // namespace zep::addin
