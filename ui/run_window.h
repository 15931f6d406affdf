// The program with its main window.
#pragma once

// Starts GTK on X11, builds the main window, opens the file given as the first argument (or
// offers the untitled autosave) and runs until the user quits. Returns the exit status.
int runWindow(int argc, char** argv);
