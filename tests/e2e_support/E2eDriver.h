#pragma once
// What the screenshot drivers run by the end-to-end scripts share. A driver makes its
// QApplication, calls start(), then waits for states and grabs the screen; every failure line
// opens with the driver's name, which the scripts look for in its output.
#include <QString>
#include <functional>

class MainWindow;

namespace e2e {

// Names the driver for failure lines, takes the output folder from argv[1] (made if missing) and
// gives the application the scale and style the real one starts with. Returns an empty string,
// after printing `usage`, when argc is below `argsNeeded`.
QString start(const char* driverName, int argc, char* argv[], int argsNeeded, const char* usage);

// Prints "<driver name>: <what>" as a critical line and returns the failing exit status.
int fail(const char* what);

// Runs the event loop until `condition` holds; false when `timeoutMs` passed first.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

// Runs the event loop for `ms` so that animations and toasts reach a steady picture.
void settle(int ms);

// Saves the whole screen as `name` in `folder` and prints "saved <path>" (or "could not save").
bool grab(const QString& folder, const QString& name);

// Waits until stream 0 of `window` shows frames and no hint lies over it.
bool waitForPicture(MainWindow& window, int timeoutMs = 15000);

}  // namespace e2e
