// The program's registrations, as its entry point makes them, for tests that walk the whole
// program (kept apart: the review's and the grid editor's key names share one scope).
#pragma once

struct TSession;

// Hooks every subsystem's commands, windows and services into the shell for `session`, which
// must outlive every command run after it.
void RegisterProgram(TSession& session);
