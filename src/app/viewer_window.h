#pragma once

constexpr char kViewerWindowClass[] = "Pellumara";

// The viewer counts as running while a top-level window of its class exists.
bool IsViewerRunning();
