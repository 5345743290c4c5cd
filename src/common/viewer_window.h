#pragma once

constexpr char kViewerWindowClass[] = "Pellumara";

// The viewer counts as running while a top-level window of its class exists.
bool IsViewerRunning();

// Gives a viewer that was just started up to five tries, half a second
// apart, to open its window, and brings the window to the front. 1 when it
// came, 0 when it did not.
int WaitForViewerWindow();
