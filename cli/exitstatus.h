#pragma once

// What quillnet's exit status tells a script.
enum ExitStatus {
    ExitSuccess = 0, // done; for diff: no differences
    ExitDifferences = 1, // diff found differences; a dry run would change something
    ExitBadInput = 2, // bad usage or input; a confirmation needed and none possible
    ExitSomeFailed = 3, // some targets failed (or were done in part), the others were done
    ExitAllFailed = 4, // no target succeeded
    ExitNotConfirmed = 5, // a write not confirmed by reading back, or the module fell silent
    ExitNotABackup = 6, // not a backup file, or one of a newer format version
};
