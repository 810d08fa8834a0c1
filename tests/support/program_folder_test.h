#pragma once
// A program folder of its own for each test, with the program-wide state of a fresh run.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ui/recording_services.h"
#include "support/temp_folder.h"

namespace testsupport {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new run of the program in the same folder: every window gone, the state fresh.
    void restartProgram();
    // Runs Main; returns true when it ended the program.
    bool runMain();

    std::string catalogue() const { return folder.file("Quillmere.mdb"); }
    std::string compacted() const { return folder.file("QuillmereC.mdb"); }
    // A catalogue from the template with `rows` pictures of a few bytes each.
    void makeCatalogueWithRows(int rows);
    // Adds a row as an import stores a file: name, PhotoXtent, size, today's date, bytes.
    void addPicture(const std::string& name, const std::string& extent, const std::vector<uint8_t>& bytes);
    long pictureRows(const std::string& path) const;

    TempFolder folder;
    ui::RecordingServices& services = ui::RecordingServices::shared();
};

std::vector<uint8_t> fileBytes(const std::string& path);

}  // namespace testsupport
