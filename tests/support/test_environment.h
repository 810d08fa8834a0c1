#pragma once
// The fixed surroundings every test runs in: Qt's offscreen platform at 96 DPI, the C
// locale with UTF-8, UTC, a private runtime folder, and where the corpora and fixtures
// are. Set by each test program's main before anything else starts.

namespace testsupport {

void applyTestEnvironment();

// Folders of test data (compiled in; QM_CORPORA in the environment overrides).
const char* corporaFolder();
const char* fixturesFolder();

}  // namespace testsupport
