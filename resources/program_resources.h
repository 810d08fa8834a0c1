#pragma once
// The program's resources served from its built-in Qt resources: custom resource `id` of
// type `type` is ":/type/id" (":/pictures/ok-button.png" is type "pictures", id
// "ok-button.png"); picture resources of every kind live in ":/pictures/". A type or id
// that is empty or holds a '/' names no resource.

#include "platform/sys/program_resources.h"

namespace resources {

class BuiltInResources : public sys::ResourceService {
public:
    std::optional<std::vector<uint8_t>> customResource(const std::string& type, const std::string& id) override;
    std::optional<std::vector<uint8_t>> pictureResource(sys::PictureResourceKind kind,
                                                        const std::string& id) override;
};

// Makes the built-in resources the program's (sys::programResources()).
void installProgramResources();

}  // namespace resources
