#pragma once

// Whether the windows of this run can be seen: a display is named (DISPLAY for X11,
// WAYLAND_DISPLAY for Wayland), or the user has chosen Qt's platform (QT_QPA_PLATFORM),
// which is then his business. Without either, Qt would abort when it starts.
bool DisplayAvailable();
