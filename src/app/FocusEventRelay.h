#pragma once

// Passes every accessibility event on to the desktop's accessibility bridge, with two
// corrections to focus events:
// - a focus event names the innermost focused object: the current row of a list, the
//   focused link or document of the message page, not the unnamed widget that holds it;
// - when assistive technology gives the focus to an object inside a widget that lacks the
//   keyboard focus (the page engine moves only its own focus), the keyboard follows, so that
//   the next key (Return on a link) goes where the screen reader says the focus is.
// Installed once by InstallAccessibility().
void InstallFocusEventRelay();
