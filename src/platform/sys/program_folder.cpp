#include "platform/sys/program_folder.h"

#include <filesystem>
#include <system_error>

namespace sys {

namespace {
std::string g_override;
}

std::string programFolder() {
    if (!g_override.empty()) return g_override;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path().string();
    const std::string folder = exe.parent_path().string();
    return folder.empty() ? std::string("/") : folder;
}

void setProgramFolder(const std::string& folder) {
    g_override = folder;
    while (g_override.size() > 1 && g_override.back() == '/') g_override.pop_back();
}

}  // namespace sys
