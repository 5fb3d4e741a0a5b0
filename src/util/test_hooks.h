// Where a test may step into the trainer: a library of the tests' own,
// preloaded into the process, defines these functions. The program as
// shipped defines none, so it reads no test setting and raises no test error.
#pragma once

extern "C" {
// "start" or "running": an error no code handles is raised then; null: none.
__attribute__((weak)) const char *kelp_test_error_at();
// The time a start waits for its study material, in milliseconds; 0: as usual.
__attribute__((weak)) int kelp_test_load_limit_ms();
// The time the tools give one call into the study database, in milliseconds; 0: as usual.
__attribute__((weak)) int kelp_test_statement_limit_ms();
// How long a sound server must keep failing to count as broken, in milliseconds; 0: as usual.
__attribute__((weak)) int kelp_test_speech_failure_ms();
}
