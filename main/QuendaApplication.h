#pragma once

namespace quenda {

// Runs the tray application until the user quits; returns the process's exit status.
int runApplication(int& argc, char** argv);

}  // namespace quenda
