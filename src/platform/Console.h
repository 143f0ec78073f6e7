#pragma once

// The Windows program is a GUI program, so Explorer opens no console window for it. Started from
// a console (cmd, PowerShell), its output should still reach that console: this attaches to the
// parent's console and points standard output and standard error at it, unless they already go
// to a file or a pipe (a redirection is kept as it is). Call it first thing in main(). Does
// nothing on other platforms, and nothing when there is no parent console (started from
// Explorer): messages then reach the player through the error boxes only.
void AttachParentConsole();
