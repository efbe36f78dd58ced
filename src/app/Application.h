#pragma once

namespace lyrovan {

// Creates the application and the main window with its real outside parts,
// runs start-up and the event loop; returns the program's exit code.
int RunApplication(int argc, char* argv[]);

} // namespace lyrovan
