// The program's registrations: every subsystem hooks its commands, windows, services and
// start-up and shut-down steps into the shell. The entry point makes them, and so do the
// tests that walk the whole program.
#pragma once

struct TSession;

// Hooks everything into the shell for `session`, which must outlive every command run after
// it. The steps run when the main window is set up and when it goes.
void RegisterProgram(TSession& session);
