#pragma once

// What quillnet's exit status tells a script. When several apply, the one first in this
// order: 6 and 2 (decided before anything is written), 5, 4, 3, 1, 0. A failure outranks found
// differences: what was found is printed all the same.
enum ExitStatus {
    ExitSuccess = 0, // done; for diff: no differences
    ExitDifferences = 1, // diff found differences; a dry run would change something; a restore
                         // declined at its prompt
    ExitBadInput = 2, // bad usage or input; a confirmation needed and none possible
    ExitSomeFailed = 3, // some targets failed (or were done in part), the others were done
    ExitAllFailed = 4, // no target succeeded; standard output or error could not be written
    ExitNotConfirmed = 5, // a write sent and not confirmed by reading back (refused, unanswered,
                          // read back otherwise), in set and restore alike
    ExitNotABackup = 6, // not a backup file, or one of a newer format version
    ExitModuleChanged = 7, // the module changed while we worked: a restore stopped before a page
    // Interrupted by a signal: 128 + the signal, 130 for SIGINT, 143 for SIGTERM.
};
