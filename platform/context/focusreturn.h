#pragma once

// When a window closes (a message, the status window, a pick list, a dialog, the host
// program's own notices), the keyboard goes back to the widget that had it when the
// window opened, in the window that was active then. A window manager would hand the
// activation to some window; without one (a kiosk display) nobody does, and until a
// click no key reaches the program. Handing it back here gives the same result with
// or without a window manager.
//
// The rule is an event filter on the application, installed once by the first call;
// the host's windows (TDlgMsg, TShowStateForm, TTempGridForm) call it when they are
// made, so that every host has it, for every window of the application.
void ReturnFocusWhenWindowsClose();
