#pragma once
// The resources the program carries inside itself, as the layers below the windows see
// them: custom resources (bytes filed under a type and an id) and picture resources (a
// bitmap, icon or cursor file filed under an id). The application installs the service
// over its built-in resources; before any is installed the program carries none.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sys {

enum class PictureResourceKind { Bitmap = 0, Icon = 1, Cursor = 2 };

class ResourceService {
public:
    virtual ~ResourceService() = default;
    // The bytes of custom resource `id` of type `type`; nothing when there is none.
    virtual std::optional<std::vector<uint8_t>> customResource(const std::string& type,
                                                               const std::string& id) = 0;
    // The file (BMP, ICO or CUR) of picture resource `id` of that kind; nothing when there
    // is none.
    virtual std::optional<std::vector<uint8_t>> pictureResource(PictureResourceKind kind,
                                                                const std::string& id) = 0;
};

ResourceService& programResources();
// Installs a service (not owned); nullptr restores the empty one.
void setResourceService(ResourceService* service);

}  // namespace sys
