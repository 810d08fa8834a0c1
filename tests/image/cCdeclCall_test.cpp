// cCdeclCall: zlib through the bridge, its numbered errors, length cells, result types and
// callbacks called from C.

#include "image/cCdeclCall.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "image/cImage32.h"
#include "platform/runtime/error.h"
#include "platform/sys/libraries.h"
#include "support/error_number.h"

namespace {

using testsupport::errorNumber;
using Arg = cCdeclCall::Arg;
using Cell = cCdeclCall::LengthCell;

constexpr long kBase = cCdeclCall::kErrorBase;

// The source and description an error carries.
runtime::Error errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const runtime::Error& e) {
        return e;
    }
    return runtime::Error(0, "", "");
}

class CdeclCall : public ::testing::Test {
protected:
    void TearDown() override { sys::clearAbsentLibraries(); }
    cCdeclCall call;
};

extern "C" intptr_t sumOfSixteen(intptr_t a, intptr_t b, intptr_t c, intptr_t d, intptr_t e, intptr_t f,
                                 intptr_t g, intptr_t h, intptr_t i, intptr_t j, intptr_t k, intptr_t l,
                                 intptr_t m, intptr_t n, intptr_t o, intptr_t p) {
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j + 11 * k + 12 * l +
           13 * m + 14 * n + 15 * o + 16 * p;
}
extern "C" int64_t tenThousandAndOne() { return 10001; }
extern "C" int64_t allBitsOfSomeWord() { return int64_t(0x1234567890ABCDEFll); }
extern "C" float oneAndAHalf() { return 1.5f; }
extern "C" double aThird() { return 1.0 / 3.0; }
extern "C" intptr_t negate(intptr_t v) { return -v; }
extern "C" intptr_t compareLongs(intptr_t a, intptr_t b) {
    const long x = *reinterpret_cast<const long*>(a), y = *reinterpret_cast<const long*>(b);
    return x < y ? -1 : x > y;
}

TEST_F(CdeclCall, Crc32OfTheCheckString) {
    const char* text = "123456789";
    const auto r = call.CallFunc("zlib1.dll", cCdeclCall::ReturnLong, "crc32", {0, text, 9});
    ASSERT_TRUE(std::holds_alternative<int32_t>(r));
    EXPECT_EQ(uint32_t(std::get<int32_t>(r)), 0xCBF43926u);
    // Continuing a running CRC over the halves gives the same.
    const int32_t first = cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {0, text, 4}));
    const int32_t whole = cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {uint32_t(first), text + 4, 5}));
    EXPECT_EQ(uint32_t(whole), 0xCBF43926u);
}

TEST_F(CdeclCall, CompressAndUncompressRoundTripThroughLengthCells) {
    std::vector<uint8_t> input(5000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = uint8_t((i * 7) % 23 + (i / 500));
    const int32_t bound = cCdeclCall::LongOf(
        call.CallFunc("zlib1.dll", 2, "compressBound", {int32_t(input.size())}));
    ASSERT_GT(bound, 0);
    std::vector<uint8_t> packed(static_cast<size_t>(bound));
    int32_t packedLength = bound;
    const auto status = call.CallFunc("zlib1.dll", 2, "compress2",
                                      {packed.data(), Cell(packedLength), input.data(), int32_t(input.size()), 9});
    ASSERT_EQ(cCdeclCall::LongOf(status), 0) << "Z_OK";
    ASSERT_GT(packedLength, 0);
    ASSERT_LT(packedLength, int32_t(input.size())) << "the cell carried the written length back";

    std::vector<uint8_t> output(input.size() + 16, 0xEE);
    int32_t outputLength = int32_t(output.size());
    ASSERT_EQ(cCdeclCall::LongOf(call.CallFunc("ZLIB1.DLL", 2, "uncompress",
                                               {output.data(), Cell(outputLength), packed.data(), packedLength})),
              0);
    EXPECT_EQ(outputLength, int32_t(input.size()));
    output.resize(size_t(outputLength));
    EXPECT_EQ(output, input);

    // Too small a buffer: Z_BUF_ERROR (-5), reported through a 32-bit result.
    int32_t tiny = 10;
    EXPECT_EQ(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "uncompress",
                                               {output.data(), Cell(tiny), packed.data(), packedLength})),
              -5);
}

TEST_F(CdeclCall, LengthArgumentsMustBeCells) {
    int32_t length = 100;
    std::vector<uint8_t> buffer(100);
    // A bare address of a 4-byte variable where zlib writes 8 bytes is refused before the call.
    EXPECT_EQ(errorNumber([&] {
                  call.CallFunc("zlib1.dll", 2, "uncompress", {buffer.data(), &length, buffer.data(), 10});
              }),
              runtime::kErrTypeMismatch);
    EXPECT_EQ(errorNumber([&] {
                  call.CallFunc("zlib1.dll", 2, "compress", {buffer.data(), 12345, buffer.data(), 10});
              }),
              runtime::kErrTypeMismatch);
    // A cell where a number is due, and a number too wide for a 32-bit parameter.
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib1.dll", 2, "crc32", {0, buffer.data(), Cell(length)}); }),
              runtime::kErrTypeMismatch);
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib1.dll", 2, "crc32", {0, buffer.data(), int64_t(1) << 33}); }),
              runtime::kErrOverflow);
    EXPECT_EQ(length, 100);
}

TEST_F(CdeclCall, ZlibMarkedAbsentFailsToLoad) {
    sys::setLibraryAbsent("zlib1.dll", true);
    sys::setLibraryAbsent("zlib.dll", true);
    const runtime::Error e = errorOf([&] { call.CallFunc("zlib1.dll", 2, "crc32", {0, nullptr, 0}); });
    EXPECT_EQ(e.number(), kBase + 0);
    EXPECT_EQ(e.source(), "cCdeclCall.CallFunc");
    EXPECT_EQ(e.description(), "DLL failed load");
    cImage32 image;
    EXPECT_FALSE(image.isZlibEnabled());

    // A library already held stays loaded when another name fails.
    sys::clearAbsentLibraries();
    ASSERT_EQ(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {0, nullptr, 0})), 0);
    sys::setLibraryAbsent("zlib.dll", true);
    sys::setLibraryAbsent("zlib1.dll", true);
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib.dll", 2, "crc32", {0, nullptr, 0}); }), kBase + 0);
    EXPECT_EQ(errorNumber([&] { call.CallFunc("Zlib1.Dll", 2, "crc32", {0, nullptr, 0}); }), 0)
        << "the same library in other letters is not loaded again";
}

TEST_F(CdeclCall, FunctionResolutionAndItsErrors) {
    const char* text = "123456789";
    ASSERT_EQ(uint32_t(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {0, text, 9}))), 0xCBF43926u);

    for (const char* missing : {"no_such_function", "#5"}) {
        const runtime::Error e = errorOf([&] { call.CallFunc("zlib1.dll", 2, missing, {0, text, 9}); });
        EXPECT_EQ(e.number(), kBase + 1) << missing;
        EXPECT_EQ(e.source(), "cCdeclCall.CallFunc");
        EXPECT_EQ(e.description(), "Function not found");
    }
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib1.dll", 2, "", {}); }), runtime::kErrInvalidProcedureCall);

    // CallPointer takes the target; the next CallFunc of the old name looks it up again.
    EXPECT_EQ(cCdeclCall::LongOf(call.CallPointer(2, reinterpret_cast<const void*>(&negate), {5})), -5);
    EXPECT_EQ(uint32_t(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {0, text, 9}))), 0xCBF43926u);

    // The fastcall convention does not exist here.
    call.FastCall(true);
    EXPECT_TRUE(call.FastCall());
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib1.dll", 2, "crc32", {0, text, 9}); }), kBase + 1);
    EXPECT_EQ(errorNumber([&] { call.CallPointer(2, reinterpret_cast<const void*>(&negate), {5}); }), kBase + 1);
    call.FastCall(false);
    EXPECT_EQ(uint32_t(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", {0, text, 9}))), 0xCBF43926u);
}

TEST_F(CdeclCall, WithoutATargetNothingIsCalled) {
    const char* text = "123456789";
    const auto crc = [&](cCdeclCall& bridge) {
        return uint32_t(cCdeclCall::LongOf(bridge.CallFunc("zlib1.dll", 2, "crc32", {0, text, 9})));
    };
    struct Case {
        const char* name;
        std::function<void(cCdeclCall&)> before;  // leaves the bridge without a function to call
        std::function<void(cCdeclCall&)> call;
        const char* source;
    };
    const Case cases[] = {
        {"another library whose lookup failed, then no name",
         [&](cCdeclCall& b) {
             crc(b);
             b.CallFunc("zlib.dll", 2, "no_such_function", {});
         },
         [](cCdeclCall& b) { b.CallFunc("zlib.dll", 2, "", {}); }, "cCdeclCall.CallFunc"},
        {"a first lookup that failed, then no name", [](cCdeclCall& b) { b.CallFunc("zlib1.dll", 2, "#5", {}); },
         [](cCdeclCall& b) { b.CallFunc("zlib1.dll", 2, "", {}); }, "cCdeclCall.CallFunc"},
        {"a null address", [&](cCdeclCall& b) { crc(b); },
         [](cCdeclCall& b) { b.CallPointer(2, nullptr, {5}); }, "cCdeclCall.CallPointer"},
        {"no name after a null address",
         [&](cCdeclCall& b) {
             crc(b);
             b.CallPointer(2, nullptr, {5});
         },
         [](cCdeclCall& b) { b.CallFunc("zlib1.dll", 2, "", {}); }, "cCdeclCall.CallFunc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cCdeclCall bridge;
        errorNumber([&] { c.before(bridge); });
        const runtime::Error e = errorOf([&] { c.call(bridge); });
        EXPECT_EQ(e.number(), kBase + 1);
        EXPECT_EQ(e.source(), c.source);
        EXPECT_EQ(e.description(), "Function not found");
        EXPECT_EQ(crc(bridge), 0xCBF43926u) << "the bridge is still usable";
    }
}

TEST_F(CdeclCall, SixteenArgumentsAndNoMore) {
    std::vector<Arg> args;
    for (int i = 1; i <= 16; ++i) args.emplace_back(i * 1000003ll);  // wider than 32 bits once summed
    int64_t expected = 0;
    for (int i = 1; i <= 16; ++i) expected += int64_t(i) * i * 1000003ll;
    const auto r = call.CallPointer(cCdeclCall::ReturnCurrency, reinterpret_cast<const void*>(&sumOfSixteen), args);
    EXPECT_EQ(std::get<cCdeclCall::Currency>(r).scaled, expected) << "pointer-sized arguments and result";

    args.emplace_back(17);
    const runtime::Error e = errorOf([&] { call.CallPointer(2, reinterpret_cast<const void*>(&sumOfSixteen), args); });
    EXPECT_EQ(e.number(), kBase + 3);
    EXPECT_EQ(e.source(), "cCdeclCall.CallPointer");
    EXPECT_EQ(errorNumber([&] { call.CallFunc("zlib1.dll", 2, "crc32", args); }), kBase + 2);
    // The library and function were in place before the count was checked.
    args = {0, "123456789", 9};
    EXPECT_EQ(uint32_t(cCdeclCall::LongOf(call.CallFunc("zlib1.dll", 2, "crc32", args))), 0xCBF43926u);
}

TEST_F(CdeclCall, ResultTypes) {
    auto word = reinterpret_cast<const void*>(&allBitsOfSomeWord);
    EXPECT_EQ(std::get<uint8_t>(call.CallPointer(0, word)), 0xEF);
    EXPECT_EQ(std::get<int16_t>(call.CallPointer(1, word)), int16_t(0xCDEF));
    EXPECT_EQ(std::get<int32_t>(call.CallPointer(2, word)), int32_t(0x90ABCDEF));
    EXPECT_EQ(std::get<cCdeclCall::Currency>(call.CallPointer(3, reinterpret_cast<const void*>(&tenThousandAndOne))),
              cCdeclCall::Currency{10001})
        << "10001 as currency is 1.0001";
    EXPECT_EQ(std::get<float>(call.CallPointer(4, reinterpret_cast<const void*>(&oneAndAHalf))), 1.5f);
    EXPECT_EQ(std::get<double>(call.CallPointer(5, reinterpret_cast<const void*>(&aThird))), 1.0 / 3.0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(call.CallPointer(6, word)));

    for (int bad : {7, -1}) {
        const runtime::Error e = errorOf([&] { call.CallPointer(bad, word); });
        EXPECT_EQ(e.number(), kBase + 4);
        EXPECT_EQ(e.source(), "cCdeclCall.CallCommon");
        EXPECT_EQ(e.description(), "Unknown return type");
    }
}

TEST_F(CdeclCall, LastErrorIsTheCallsErrno) {
    errno = EINTR;
    EXPECT_EQ(cCdeclCall::LongOf(call.CallPointer(2, reinterpret_cast<const void*>(&::close), {-1})), -1);
    EXPECT_EQ(call.LastError(), EBADF);
    call.CallPointer(2, reinterpret_cast<const void*>(&negate), {1});
    EXPECT_EQ(call.LastError(), 0) << "cleared before each call";
    call.CallPointer(2, reinterpret_cast<const void*>(&::close), {-1});
    errorNumber([&] { call.CallPointer(9, reinterpret_cast<const void*>(&negate), {1}); });
    EXPECT_EQ(call.LastError(), EBADF) << "an unknown return type calls nothing";
}

TEST_F(CdeclCall, CdeclCallbackCalledBackByTheCLibrary) {
    void* comparator = call.CallbackCdecl(reinterpret_cast<const void*>(&compareLongs), 2, 60);
    ASSERT_NE(comparator, nullptr);
    EXPECT_EQ(call.CallbackAddress(60), comparator);
    std::vector<long> values = {42, -7, 1000000000000l, 3, 0, -99999999999l, 5};
    call.CallPointer(6, reinterpret_cast<const void*>(&::qsort),
                     {values.data(), values.size(), sizeof(long), comparator});
    EXPECT_EQ(values, (std::vector<long>{-99999999999l, -7, 0, 3, 5, 42, 1000000000000l}));

    // Rewriting a slot replaces its entry point.
    void* again = call.CallbackCdecl(reinterpret_cast<const void*>(&negate), 1, 60);
    EXPECT_EQ(cCdeclCall::LongOf(call.CallPointer(2, again, {12})), -12);
}

TEST_F(CdeclCall, CallbackChecks) {
    const void* proc = reinterpret_cast<const void*>(&negate);
    for (auto [params, index] : {std::pair{1, 0}, {1, 61}, {61, 1}}) {
        const runtime::Error e = errorOf([&] { call.CallbackCdecl(proc, params, index); });
        EXPECT_EQ(e.number(), kBase + 5);
        EXPECT_EQ(e.source(), "cCdeclCall.CallbackCdecl");
        EXPECT_EQ(e.description(), "Invalid parameter");
    }
    EXPECT_EQ(errorNumber([&] { call.CallbackCdecl(proc, -1, 1); }), runtime::kErrOverflow);
    EXPECT_EQ(errorNumber([&] { call.CallbackCdecl(proc, 60, 1); }), 0);
}

// Three methods in run 0, none in any other.
class Adder : public cCdeclCall::CallbackObject {
public:
    int32_t MethodCount(int32_t objType) const override { return objType == 0 ? 3 : 0; }
    intptr_t Invoke(int32_t, int32_t index, std::span<const intptr_t> args) override {
        intptr_t sum = 0;
        for (intptr_t a : args) sum += a;
        return sum * (index + 1) * 100 + intptr_t(args.size());
    }
};

TEST_F(CdeclCall, ObjectCallbacksCountOrdinalsFromTheEndOfTheRun) {
    Adder adder;
    void* last = call.CallbackObj(0, adder, 2, 1, false, 1);
    void* first = call.CallbackObj(0, adder, 2, 3, true, 2);
    EXPECT_EQ(cCdeclCall::LongOf(call.CallPointer(2, last, {4, 5})), 9 * 300 + 2) << "ordinal 1: the last method";
    EXPECT_EQ(cCdeclCall::LongOf(call.CallPointer(2, first, {4, 5})), 9 * 100 + 2);

    EXPECT_EQ(errorNumber([&] { call.CallbackObj(0, adder, 2, 4, false, 1); }), kBase + 7);
    EXPECT_EQ(errorNumber([&] { call.CallbackObj(8, adder, 2, 1, false, 1); }), kBase + 7);
    EXPECT_EQ(errorNumber([&] { call.CallbackObj(0, adder, 2, 1, false, 61); }), kBase + 6);
    EXPECT_EQ(errorNumber([&] { call.CallbackObj(0, adder, 61, 1, false, 1); }), kBase + 6);
    EXPECT_EQ(errorNumber([&] { call.CallbackObj(0, adder, -1, 1, false, 1); }), runtime::kErrOverflow);
}

}  // namespace
