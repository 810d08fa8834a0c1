#include "program_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <benchmark/benchmark.h>

#include "platform/sys/files.h"
#include "platform/sys/program_folder.h"
#include "platform/ui/application.h"
#include "platform/ui/recording_services.h"
#include "resources/resources.h"

int& ProgramRun::prepared(int& argc) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::prepareApplication();
    return argc;
}

ProgramRun::ProgramRun(int& argc, char** argv, const char* folderName)
    : app_(prepared(argc), argv),
      folder_((std::filesystem::temp_directory_path() / folderName).string()) {
    ui::startApplication();
    ui::setServices(&ui::RecordingServices::shared());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    sys::setProgramFolder(folder_);
}

void ProgramRun::writeTemplateCatalogue() const {
    sys::writeFile(folder_ + "/Quillmere.mdb", resources::templateCatalogue());
}

void ProgramRun::runBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder_);
    // _Exit skips the flush of a piped report.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}
