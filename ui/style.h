// Sizes for the default GTK theme so that every control fits the place the window gives it.
#pragma once

void installStyle();
