#include "support/test_environment.h"

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace testsupport {

void applyTestEnvironment() {
    const struct { const char* name; const char* value; } variables[] = {
        {"QT_QPA_PLATFORM", "offscreen"},
        {"QT_FONT_DPI", "96"},
        {"QT_ENABLE_HIGHDPI_SCALING", "0"},
        {"QT_SCALE_FACTOR", "1"},
        {"LC_ALL", "C.UTF-8"},
        {"LANG", "C.UTF-8"},
        {"TZ", "UTC"},
        {"XDG_RUNTIME_DIR", QM_TEST_RUNTIME_DIR},
        {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
    };
    for (const auto& v : variables) setenv(v.name, v.value, 1);
    mkdir(QM_TEST_RUNTIME_DIR, 0700);
    tzset();
}

const char* corporaFolder() {
    const char* overridden = std::getenv("QM_CORPORA");
    return overridden && *overridden ? overridden : QM_CORPORA_DIR;
}

const char* fixturesFolder() { return QM_FIXTURES_DIR; }

}  // namespace testsupport
