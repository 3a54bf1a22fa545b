#pragma once

namespace fendrel::gui {

// The program's start: folders, language table and error log, the splash window, then the main
// window until the user closes it. Returns the exit status.
int Main(int &argc, char **argv);

} // namespace fendrel::gui
