#pragma once
// The program's windows run offscreen for a benchmark: recording services, so no
// message box waits for an answer, and a fresh program folder under the temporary folder.

#include <string>

#include <QApplication>

class ProgramRun {
public:
    // The folder "<temp>/<folderName>" is made empty and becomes the program folder.
    ProgramRun(int& argc, char** argv, const char* folderName);
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    const std::string& folder() const { return folder_; }
    // The empty catalogue, as the first start writes it.
    void writeTemplateCatalogue() const;
    // Runs the benchmarks, removes the folder and leaves at once: unloading the main
    // window would end the program its own way.
    [[noreturn]] void runBenchmarks(int& argc, char** argv);

private:
    static int& prepared(int& argc);

    QApplication app_;
    std::string folder_;
};
