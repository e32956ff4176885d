#pragma once
// Finding another running instance of the program: a top-level window
// captioned "Memory Engine" that answers WM_ENGINE_PING with EngineSignature.

// True when another engine runs; it is asked to show its main window, and
// that window is brought forward.
bool ActivateRunningInstance();
// True when another engine runs; it is asked to quit.
bool CloseRunningInstance();
// Closes a running instance like CloseRunningInstance, then waits up to
// timeoutMs for its process to end (it saves its settings on the way out).
bool CloseRunningInstanceAndWait(unsigned long timeoutMs);
