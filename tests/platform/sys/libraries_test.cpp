#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sys/libraries.h"
#include "platform/sys/version.h"

namespace {

using Crc32 = unsigned long (*)(unsigned long, const unsigned char*, unsigned int);

TEST(Libraries, ZlibIsFoundUnderItsProgramNames) {
    for (const char* name : {"zlib1.dll", "ZLIB.DLL"}) {
        const sys::LibraryHandle lib = sys::LoadLibrary(name);
        ASSERT_NE(lib, 0u) << name;
        auto crc = reinterpret_cast<Crc32>(sys::GetProcAddress(lib, "crc32"));
        ASSERT_NE(crc, nullptr);
        const char* text = "123456789";
        EXPECT_EQ(crc(0, reinterpret_cast<const unsigned char*>(text), 9), 0xCBF43926ul);
        EXPECT_EQ(sys::GetProcAddress(lib, "no_such_function"), nullptr);
        EXPECT_EQ(sys::GetProcAddress(lib, "#3"), nullptr);
        EXPECT_TRUE(sys::FreeLibrary(lib));
    }
}

TEST(Libraries, AbsentSwitchHidesALibrary) {
    sys::setLibraryAbsent("zlib1.dll", true);
    EXPECT_EQ(sys::LoadLibrary("zlib1.dll"), 0u);
    EXPECT_NE(sys::LoadLibrary("zlib.dll"), 0u);
    sys::clearAbsentLibraries();
    EXPECT_NE(sys::LoadLibrary("zlib1.dll"), 0u);
    EXPECT_EQ(sys::LoadLibrary("no-such-library.dll"), 0u);
}

int builtInAnswer() { return 42; }

void* builtInExports(const std::string& name) {
    return name == "Answer" ? reinterpret_cast<void*>(&builtInAnswer) : nullptr;
}

TEST(Libraries, ProvidedLibraryIsReachedThroughTheNameMap) {
    sys::mapLibraryName("Example.DLL", "example (built in)");
    EXPECT_EQ(sys::LoadLibrary("example.dll"), 0u);  // not provided yet: as a missing file
    sys::provideLibrary("example (built in)", &builtInExports);
    const sys::LibraryHandle lib = sys::LoadLibrary("EXAMPLE.dll");
    ASSERT_NE(lib, 0u);
    auto answer = reinterpret_cast<int (*)()>(sys::GetProcAddress(lib, "Answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(sys::GetProcAddress(lib, "answer"), nullptr);
    EXPECT_EQ(sys::GetProcAddress(lib, "#1"), nullptr);
    EXPECT_TRUE(sys::FreeLibrary(lib));
    sys::setLibraryAbsent("example.dll", true);
    EXPECT_EQ(sys::LoadLibrary("Example.dll"), 0u);
    sys::clearAbsentLibraries();
    EXPECT_EQ(sys::LoadLibrary("Example.dll"), lib);
}

TEST(Version, OverrideAndPlainFallback) {
    auto current = sys::GetVersionExtended();
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(current->platformId, sys::kPlatformNT);
    EXPECT_GT(current->majorVersion, 4u);

    sys::VersionRecord nt4{4, 0, 1381, sys::kPlatformNT, "Service Pack 6", 6, 0};
    sys::testing::overrideVersion(nt4, /*extendedFails=*/true);
    EXPECT_FALSE(sys::GetVersionExtended().has_value());
    const auto plain = sys::GetVersionPlain();
    EXPECT_EQ(plain.majorVersion, 4u);
    EXPECT_EQ(plain.servicePackMajor, 0) << "the plain record carries no service-pack number";
    sys::testing::overrideVersion(std::nullopt);
    EXPECT_TRUE(sys::GetVersionExtended().has_value());
}

}  // namespace
