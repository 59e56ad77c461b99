#pragma once
// What the entry point does for each notification, apart from the platform's signature.

// Entry-point reasons, as the system numbers them.
enum EntryReason : unsigned long {
    ProcessDetach = 0,
    ProcessAttach = 1,
    ThreadAttach = 2,
    ThreadDetach = 3,
};

// Handles one notification; returns 1 for every reason.
int OnEntryPointNotification(unsigned long reason);
// Process attach: empty hook list and command manager, then Load; a failing Load is logged.
void AttachProcess();
// Process detach: tear down every hook container, withdraw every command, then Unload.
void DetachProcess();
