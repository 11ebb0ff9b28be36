// The program's body, callable in-process: creates the application, runs
// its frame loop, destroys it, and reports text exceptions thrown by the
// engine as "Exception: <text>"; on that path the application is not
// destroyed. Always returns 0.
#pragma once

class WindowApp;

// The program-wide application pointer: set just before run, read after.
extern WindowApp* application;

// `create` builds the application; null builds a WindowApp.
int velkinMain(WindowApp* (*create)() = nullptr);
