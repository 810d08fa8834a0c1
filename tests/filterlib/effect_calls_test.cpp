// The arguments each effect number passes, recorded by stand-in entry points of the same
// types: the conversions of the call table (floats, doubles, nearest, 16 and 8 bits,
// products, negation, the colour and its complement, the constants).

#include <gtest/gtest.h>

#include <any>
#include <vector>

#include "filterlib/effect_calls.h"

namespace {

using filterlib::COLORREF;
using filterlib::HDC;

std::vector<std::any> seen;

void recordContrast(HDC, HDC, float r, float g, float b, int32_t&) { seen = {r, g, b}; }
void recordGamma(HDC, HDC, float g, int32_t&) { seen = {g}; }
void recordOilPaint(HDC, HDC, int32_t radius, int32_t levels, int32_t&) { seen = {radius, levels}; }
void recordBlockWaves(HDC, HDC, int16_t a, int16_t b, int32_t c, int32_t&) { seen = {a, b, c}; }
void recordCircularWavesEx(HDC, HDC, int16_t a, int16_t b, int32_t&) { seen = {a, b}; }
void recordTwirlEx(HDC, HDC, double a, double b, int32_t&) { seen = {a, b}; }
void recordGlass(HDC d, HDC p, HDC s, double k, int32_t r, int32_t&) { seen = {d, p, s, k, r}; }
void recordUnsharp(HDC, HDC, int32_t r, double a, int32_t&) { seen = {r, a}; }
void recordBackDrop(HDC, HDC, COLORREF c, COLORREF n, int32_t v, int32_t&) { seen = {c, n, v}; }
void recordMetallic(HDC, HDC, int32_t a, int32_t v, int32_t k, int32_t&) { seen = {a, v, k}; }
void recordWaves(HDC, HDC, int32_t a, int32_t b, uint8_t c, int32_t d, int32_t&) { seen = {a, b, c, d}; }
void recordNotePaper(HDC, HDC, int32_t v, int32_t a, int32_t b, int32_t c, COLORREF k, COLORREF n, int32_t&) {
    seen = {v, a, b, c, k, n};
}

template <class Function>
std::vector<std::any> argumentsOf(int number, Function* stand, int16_t v, COLORREF c = 0x00E0E0E0u) {
    seen.clear();
    int32_t result = 0;
    const filterlib::CallPictures pictures{11, 22, 33};
    EXPECT_TRUE(filterlib::effectCall(number)->invoke(reinterpret_cast<void*>(stand), pictures, v, c, result));
    return seen;
}

TEST(EffectCalls, FloatsAndDoublesAsTheWindowMakesThem) {
    auto contrast = argumentsOf(2, recordContrast, 100);
    for (const auto& k : contrast) EXPECT_EQ(std::any_cast<float>(k), 1.0f);
    EXPECT_EQ(std::any_cast<float>(argumentsOf(2, recordContrast, 33)[0]), float(0.33));
    EXPECT_EQ(std::any_cast<float>(argumentsOf(5, recordGamma, 25)[0]), 1.0f);
    auto twirl = argumentsOf(69, recordTwirlEx, -40);
    EXPECT_EQ(std::any_cast<double>(twirl[0]), 40.0);
    EXPECT_EQ(std::any_cast<double>(twirl[1]), -40.0);
    auto glass = argumentsOf(70, recordGlass, -255);
    EXPECT_EQ(std::any_cast<HDC>(glass[0]), 11u);  // D, then P, then S
    EXPECT_EQ(std::any_cast<HDC>(glass[1]), 33u);
    EXPECT_EQ(std::any_cast<HDC>(glass[2]), 22u);
    EXPECT_EQ(std::any_cast<double>(glass[3]), -1.275);
    EXPECT_EQ(std::any_cast<int32_t>(glass[4]), 3);
    auto unsharp = argumentsOf(65, recordUnsharp, 3);
    EXPECT_EQ(std::any_cast<int32_t>(unsharp[0]), 2);
    EXPECT_EQ(std::any_cast<double>(unsharp[1]), 1.5);
}

TEST(EffectCalls, NearestHalvesGoToEven) {
    struct Row {
        int16_t v;
        int32_t radius;
    };
    for (const Row row : {Row{25, 0}, {75, 2}, {125, 2}, {175, 4}, {255, 5}}) {
        auto oil = argumentsOf(59, recordOilPaint, row.v);
        EXPECT_EQ(std::any_cast<int32_t>(oil[0]), row.radius) << row.v;
        EXPECT_EQ(std::any_cast<int32_t>(oil[1]), row.v);
    }
    for (const auto& [v, band] : {std::pair<int16_t, int16_t>{1, 0}, {3, 2}, {5, 2}, {20, 10}}) {
        auto waves = argumentsOf(66, recordBlockWaves, v);
        EXPECT_EQ(std::any_cast<int16_t>(waves[0]), v);
        EXPECT_EQ(std::any_cast<int16_t>(waves[1]), band) << v;
        EXPECT_EQ(std::any_cast<int32_t>(waves[2]), 1);
    }
}

TEST(EffectCalls, ProductsBytesColoursAndConstants) {
    auto ex = argumentsOf(57, recordCircularWavesEx, 20);
    EXPECT_EQ(std::any_cast<int16_t>(ex[0]), 80);
    EXPECT_EQ(std::any_cast<int16_t>(ex[1]), 20);
    auto waves = argumentsOf(31, recordWaves, 20);
    EXPECT_EQ(std::any_cast<uint8_t>(waves[2]), 20);
    EXPECT_EQ(std::any_cast<int32_t>(waves[3]), -1);
    auto backDrop = argumentsOf(13, recordBackDrop, 7);
    EXPECT_EQ(std::any_cast<COLORREF>(backDrop[0]), 0x00E0E0E0u);
    EXPECT_EQ(std::any_cast<COLORREF>(backDrop[1]), 0xFF1F1F1Fu);
    EXPECT_EQ(std::any_cast<int32_t>(backDrop[2]), 7);
    auto paper = argumentsOf(61, recordNotePaper, 9, 0x00102030u);
    EXPECT_EQ(std::any_cast<int32_t>(paper[1]), 2);
    EXPECT_EQ(std::any_cast<int32_t>(paper[2]), 20);
    EXPECT_EQ(std::any_cast<int32_t>(paper[3]), 1);
    EXPECT_EQ(std::any_cast<COLORREF>(paper[5]), 0xFFEFDFCFu);
    for (const int tint : {1, 2, 3}) {
        auto metal = argumentsOf(70 + tint, recordMetallic, 100);
        EXPECT_EQ(std::any_cast<int32_t>(metal[0]), 4);
        EXPECT_EQ(std::any_cast<int32_t>(metal[1]), 100);
        EXPECT_EQ(std::any_cast<int32_t>(metal[2]), tint);
    }
}

TEST(EffectCalls, RangesAndStarts) {
    struct Row {
        int number;
        bool immediate;
        int16_t min, max, start;
    };
    for (const Row row : {Row{2, false, 0, 255, 100}, {5, false, 0, 255, 25}, {15, false, 0, 255, 255},
                          {22, false, 2, 102, 2}, {35, false, -255, 512, 0}, {37, false, 0, 350, 0},
                          {9, true, 0, 0, 0}, {63, true, 0, 0, 0}}) {
        const filterlib::EffectCall* call = filterlib::effectCall(row.number);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->immediate, row.immediate) << row.number;
        if (row.immediate) continue;
        EXPECT_EQ(call->min, row.min) << row.number;
        EXPECT_EQ(call->max, row.max) << row.number;
        EXPECT_EQ(call->start, row.start) << row.number;
    }
    EXPECT_TRUE(filterlib::effectCall(30)->maxIsSourceWidth);
    int immediate = 0;
    for (const auto& call : filterlib::effectCalls()) immediate += call.immediate;
    EXPECT_EQ(immediate, 19);
}

}  // namespace
