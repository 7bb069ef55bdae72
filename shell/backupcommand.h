#pragma once

// amval-host --backup DIR [--data DIR | --server ADDRESS]: a backup of the data place
// without any window, for a nightly job. It prints what it did on the standard output
// and why it failed on the error output; the exit code is 0 for a backup made and
// checked, 1 otherwise (2 for a command line it does not understand).

// Whether the command line asks for a backup (--backup), which runs without windows.
bool IsBackupCommand(int argc, char* argv[]);
int RunBackupCommand(int argc, char* argv[]);
