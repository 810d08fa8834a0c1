#include "platform/sys/program_resources.h"

namespace sys {

namespace {

class NoResources : public ResourceService {
public:
    std::optional<std::vector<uint8_t>> customResource(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> pictureResource(PictureResourceKind, const std::string&) override {
        return std::nullopt;
    }
};

NoResources g_none;
ResourceService* g_resources = nullptr;

}  // namespace

ResourceService& programResources() { return g_resources ? *g_resources : g_none; }

void setResourceService(ResourceService* service) { g_resources = service; }

}  // namespace sys
