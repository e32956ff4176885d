#pragma once
// Creation and end of the one options object, Options (uKalvoraOptions.h).

// Process start, after the memory figures and before any window: loads every
// setting, or sets them automatically on a first start.
void InitOptions();
// Process end, after every window and before the histories go: saves once
// more (unless told not to) and destroys the object.
void FinishOptions(bool save = true);
